#pragma once
// The full-screen view: a maximized window with an editing area of its own
// that shows a copy of the document. Nothing typed here goes back.

#include <QMainWindow>

class MainWindow;
class QAction;
class QTextDocument;
class RichTextBox;

class Form3 : public QMainWindow
{
    Q_OBJECT

public:
    static const QString Caption;   // "Quillet 99 v2.0: Full Screen View"

    // main is the window Back returns to. The view is a window of its own,
    // so hiding the main window leaves it on screen.
    explicit Form3(MainWindow &main);
    ~Form3() override;

    // Replaces the view's document with a copy of source, formatting and all,
    // shown as the editing area shows any document.
    void showCopyOf(const QTextDocument &source);

    RichTextBox *RichTextBox1 = nullptr;
    QAction *back = nullptr;   // the menu bar's "Back To Editing (F2)": acts when clicked
    QAction *ba = nullptr;     // "Back", F2

public slots:
    void back_Click();

protected:
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void layoutEditor();

    MainWindow &m_main;
    QWidget *m_client = nullptr;
};
