#pragma once
// The search dialog: one field and "Go!". A search selects the match in the
// main window and puts the dialog away, keeping the text for next time.

#include <QWidget>

class MainWindow;
class QLabel;
class QLineEdit;
class QPushButton;

class Form2 : public QWidget
{
    Q_OBJECT

public:
    // main is the window whose document is searched; the dialog is its child.
    explicit Form2(MainWindow &main);

    QLabel *Label1 = nullptr;
    QLineEdit *Text1 = nullptr;
    QPushButton *Command1 = nullptr;

public slots:
    void Command1_Click();

protected:
    void showEvent(QShowEvent *event) override;

private:
    MainWindow &m_main;
};
