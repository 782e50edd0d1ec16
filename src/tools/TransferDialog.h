#pragma once
// The modal dialog that runs while a URL is fetched: what is being fetched,
// how many bytes have arrived, and Cancel.

#include <QProgressDialog>

class TransferDialog : public QProgressDialog
{
    Q_OBJECT

public:
    TransferDialog(const QString &url, QWidget *parent = nullptr);

    // total < 0 when the size is not known in advance.
    void setReceived(qint64 received, qint64 total);

private:
    QString m_url;
};
