#pragma once
// The Font menu and the style and colour buttons. Each acts on the
// selection, or with nothing selected on the text typed next.

#include <QString>

class MainWindow;

class FormatCommands
{
public:
    explicit FormatCommands(MainWindow &window);

    void setFace(const QString &name);
    void setSize(float points);
    // Each switches on the selection's own state: all of it styled turns
    // the style off, anything less turns it on for all.
    void toggleUnderline();
    void toggleItalic();
    void toggleBold();
    // The colour dialog; the font dialog with all seven attributes.
    void colourFromDialog();
    void fontFromDialog();

private:
    MainWindow &m_window;
};
