#pragma once
// The status bar's one line of text. It fills its bar, picks a font whose
// lines fit the bar's height, and shows a message too long for its width
// with the middle left out; the whole message is kept for whoever asks.

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

private:
    void fit();

    QString m_message;
};
