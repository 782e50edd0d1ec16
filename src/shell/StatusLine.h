#pragma once
// The status bar's one line of text. It fills its bar, picks a font whose
// lines fit the bar's height, and shows a message too long for its width
// with the middle left out; the whole message is kept for whoever asks.
// The message is plain text, on the line and in the bar's tooltip alike: a
// server's reason phrase or a file name may look like HTML.

#include <QLabel>

class StatusLine : public QLabel
{
    Q_OBJECT

public:
    explicit StatusLine(QWidget *bar);

    void setMessage(const QString &message);
    QString message() const { return m_message; }

protected:
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;

private:
    void fit();

    QString m_message;
};
