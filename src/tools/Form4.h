#pragma once
// The encryption dialog "Encode/Decode Options": the upper row encrypts the
// whole text of the main window's document under its password, the lower
// row decrypts it under its own. Non-modal; Ok only hides it.

#include "tools/TextCipher.h"

#include <QWidget>

#include <functional>

class MainWindow;
class QLabel;
class QLineEdit;
class QPushButton;

class Form4 : public QWidget
{
    Q_OBJECT

public:
    // Both boxes start with it; left there, it is the password.
    static const QString Hint;

    // A child of owner, whose document it replaces.
    explicit Form4(MainWindow &owner);

    QLabel *Label1 = nullptr, *Label2 = nullptr;
    QLineEdit *Text1 = nullptr, *Text2 = nullptr;   // decrypt, encrypt password
    QPushButton *Command1 = nullptr, *Command2 = nullptr, *Command3 = nullptr;
    TextCipher CryptX1;

public slots:
    void Command1_Click();   // Ok
    void Command2_Click();   // E: encrypt
    void Command3_Click();   // D: decrypt

protected:
    void showEvent(QShowEvent *e) override;

private:
    void replaceText(const std::function<Result<QString>()> &cipher, bool asRtf, const QString &failed,
                     const QString &done);

    MainWindow &m_owner;
    bool m_placed = false;
};
