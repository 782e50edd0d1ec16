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
    // flags & cdl::CFEffects brings strike-through, underline and the
    // colour; without it only face, style and size are offered.
    FontEffectsDialog(const QFont &initial, const QColor &colour, int flags,
                      QWidget *parent = nullptr);

    QFont selectedFont() const;
    QColor selectedColor() const;

    QComboBox *colourBox() const { return m_colour; }

private:
    void showSampleColour();

    QFontDialog *m_picker = nullptr;
    QComboBox *m_colour = nullptr;
};
