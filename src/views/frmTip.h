#pragma once
// Tip of the day: one line of TIPOFDAY.TXT, drawn at random. "Ok" puts the
// window away with its tip; the frame's close box destroys it, and the next
// opening reads the file again.

#include "base/Result.h"

#include <QDialog>

#include <functional>
#include <utility>
#include <vector>

class QLabel;
class QPushButton;

class frmTip : public QDialog
{
    Q_OBJECT

public:
    static const QString TipsFileName;   // "TIPOFDAY.TXT"
    static const QString Contact;        // where the not-found text sends people

    // random draws values in [0, 1); empty means a generator seeded from the
    // clock now. folders are searched for the tips file after the current
    // directory.
    frmTip(QWidget *owner, std::function<double()> random, const QStringList &folders);
    ~frmTip() override;

    // Fills the tip list from the file and shows a random tip. False when
    // the name is empty, names no regular file, or the file cannot be read
    // (it is refused above 4 MB).
    bool LoadTips(const QString &fileName);
    void DisplayCurrentTip();
    void ChooseRandomTip();

    int tipCount() const { return int(m_tips.size()); }
    QString tip(int number) const;          // 1-based
    qint32 CurrentTip() const { return m_currentTip; }

    // The tips file to read: the current directory's, else the first of the
    // folders that holds one, else the bare name (which then is not found).
    static QString findTipsFile(const QStringList &folders);
    static QString notFoundText();

    QPushButton *cmdOK = nullptr;
    QPushButton *cmdNextTip = nullptr;
    QWidget *Picture1 = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *lblTipText = nullptr;

public slots:
    void cmdOK_Click();
    void cmdNextTip_Click();
    // Escape presses "Ok".
    void reject() override;

private:
    // As LoadTips; a file that is there but cannot be read says why.
    Result<> readTips(const QString &fileName);

    std::function<double()> m_random;
    QString m_text;                                     // the file's text
    std::vector<std::pair<qsizetype, qsizetype>> m_tips; // offset, length into m_text
    qint32 m_currentTip = 0;
};
