#pragma once
// The font dialog of the common dialog: face, style and size from Qt's own
// font picker, and, when the effects are asked for, strike-through,
// underline and a colour from the sixteen classic colours.

#include <QColor>
#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;

class FontEffectsDialog : public QDialog
{
    Q_OBJECT

public:
    // The effects box (flags & 256) brings strike-through, underline and the
    // colour; without it only face, style and size are offered.
    static constexpr int kEffects = 256;

    FontEffectsDialog(const QFont &initial, const QColor &colour, int flags,
                      QWidget *parent = nullptr);

    QFont selectedFont() const;
    QColor selectedColor() const;

    QFontDialog *picker() const { return m_picker; }
    QComboBox *colourBox() const { return m_colour; }

    struct NamedColour { const char *name; QRgb rgb; };
    // Black, Maroon, ... White: the colours the effects box offers.
    static const NamedColour *classicColours(int *count);

private:
    void showSampleColour();

    QFontDialog *m_picker = nullptr;
    QComboBox *m_colour = nullptr;
};
