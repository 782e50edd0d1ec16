#pragma once
// The search dialog: one field and "Go!". A search selects the match in the
// main window and puts the dialog away, keeping the text for next time.

#include <QPointer>
#include <QWidget>

class Form1;
class QLabel;
class QLineEdit;
class QPushButton;

class Form2 : public QWidget
{
    Q_OBJECT

public:
    // main is the window whose document is searched. The dialog has no owner
    // window (it stands in the task bar), but it goes away with main.
    explicit Form2(Form1 *main);

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;

public slots:
    void Command1_Click();

private:
    QPointer<Form1> m_main;
};
