#include "views/frmAbout.h"

#include "shell/DialogHost.h"
#include "shell/MainWindow.h"
#include "base/Product.h"
#include "shell/Twips.h"
#include "views/ProcessLauncher.h"
#include "views/Registry.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>

const QString frmAbout::HomePage = QStringLiteral("https://quillet.example.org/");
const QString frmAbout::Contact = QStringLiteral("Contact: quillet@example.org");
const QString frmAbout::Unavailable = QStringLiteral("System Information Is Unavailable At This Time");

namespace {

// Read access plus the rights the about box has always asked for.
constexpr quint32 kAccessMask = 0x2003F;
constexpr quint32 kBufferSize = 1024;

QFont sansSerif(double points, bool bold)
{
    QFont f;
    f.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

frmAbout::frmAbout(MainWindow &main, DialogHost &dialogs, std::shared_ptr<Registry> registry,
                   std::shared_ptr<ProcessLauncher> launcher)
    : QDialog(main.widget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                                 | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_dialogs(dialogs), m_registry(std::move(registry)), m_launcher(std::move(launcher))
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About ") + product::caption());
    setWindowIcon(QIcon(QStringLiteral(":/icons/dialog.xpm")));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips::toPxX(5160), twips::toPxY(3555));
    // Its own place on the screen, not centred.
    move(twips::toPxX(2340), twips::toPxY(1935));

    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(QPixmap(QStringLiteral(":/views/about.xpm")));
    picIcon->move(twips::toPxX(120), twips::toPxY(240));
    picIcon->adjustSize();

    QPalette black = palette();
    black.setColor(QPalette::WindowText, Qt::black);

    lblTitle = new QLabel(product::name(), this);
    lblTitle->setObjectName(QStringLiteral("lblTitle"));
    lblTitle->setFont(sansSerif(9.75, true));
    lblTitle->setPalette(black);
    lblTitle->setGeometry(twips::rect(1050, 240, 3885, 480));
    lblTitle->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    lblVersion = new QLabel(QStringLiteral("V%1a").arg(product::version()), this);
    lblVersion->setObjectName(QStringLiteral("lblVersion"));
    lblVersion->setFont(sansSerif(8.25, true));
    lblVersion->setGeometry(twips::rect(1050, 780, 3885, 225));
    lblVersion->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    lblDescription = new QLabel(
        QStringLiteral("A small word processor for rich text,\nby the %1 developers.")
            .arg(product::name()),
        this);
    lblDescription->setObjectName(QStringLiteral("lblDescription"));
    lblDescription->setPalette(black);
    lblDescription->setGeometry(twips::rect(1050, 1125, 3885, 570));
    lblDescription->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblDescription->setWordWrap(true);

    Text1 = new QLineEdit(HomePage, this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setGeometry(twips::rect(120, 2640, 3495, 285));
    Text1->setAccessibleName(QStringLiteral("Home page"));   // a box without a label

    Label1 = new QLabel(Contact, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twips::rect(120, 3000, 3495, 255));

    cmdOK = new QPushButton(QStringLiteral("Ok"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twips::rect(3840, 2625, 1245, 345));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);

    cmdSysInfo = new QPushButton(QStringLiteral("System Info"), this);
    cmdSysInfo->setObjectName(QStringLiteral("cmdSysInfo"));
    cmdSysInfo->setGeometry(twips::rect(3840, 3075, 1245, 345));
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);

    setTabOrder(cmdOK, cmdSysInfo);
    setTabOrder(cmdSysInfo, Text1);
    cmdOK->setFocus();
}

frmAbout::~frmAbout() = default;

void frmAbout::paintEvent(QPaintEvent *e)
{
    QDialog::paintEvent(e);
    // The engraved separator: a grey line with a white one just below it.
    QPainter p(this);
    p.setPen(QPen(colorFromBgr(0x00808080), 1));
    p.drawLine(twips::toPxX(90), twips::toPxY(2445), twips::toPxX(5040), twips::toPxY(2445));
    p.setPen(QPen(colorFromBgr(0x00FFFFFF), 2));
    p.drawLine(twips::toPxX(105), twips::toPxY(2460) + 1, twips::toPxX(5040), twips::toPxY(2460) + 1);
}

void frmAbout::cmdOK_Click()
{
    close();
}

void frmAbout::cmdSysInfo_Click()
{
    StartSysInfo();
}

bool frmAbout::GetKeyValue(Registry &registry, quintptr rootKey, const QString &keyName,
                           const QString &valueName, QString &value, bool *error)
{
    if (error)
        *error = false;
    reg::Key key = 0;
    if (registry.openKey(rootKey, keyName, 0, kAccessMask, &key) != reg::kSuccess) {
        value.clear();
        return false;
    }

    QByteArray buffer(int(kBufferSize), '\0');
    quint32 size = kBufferSize;
    quint32 type = 0;
    if (registry.queryValue(key, valueName, 0, &type,
                            reinterpret_cast<unsigned char *>(buffer.data()), &size)
        != reg::kSuccess) {
        value.clear();
        registry.closeKey(key);
        return false;
    }

    // Nothing stored: there is no last byte to look at. The key is closed
    // all the same.
    if (size == 0) {
        registry.closeKey(key);
        if (error)
            *error = true;
        return false;
    }
    size = std::min(size, kBufferSize);
    // A string stored with its terminating zero loses it; one stored
    // without stays whole.
    const QByteArray data = buffer.left(buffer.at(size - 1) == '\0' ? size - 1 : size);

    switch (type) {
    case reg::kTypeString:
        value = QString::fromLocal8Bit(data);
        break;
    case reg::kTypeDword: {
        // Last byte first, each in upper-case hex without a leading zero,
        // after whatever the caller passed in.
        for (qsizetype i = data.size() - 1; i >= 0; --i)
            value += QString::number(uchar(data.at(i)), 16).toUpper();
        value = QStringLiteral("&h") + value;
        break;
    }
    default:
        break;
    }
    registry.closeKey(key);
    return true;
}

void frmAbout::StartSysInfo()
{
    static const QString kInfoKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
    static const QString kInfoValue = QStringLiteral("PATH");
    static const QString kLocationKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
    static const QString kLocationValue = QStringLiteral("MSINFO");

    Registry &registry = *m_registry;

    QString path;
    QString program;
    bool error = false;
    if (GetKeyValue(registry, reg::kLocalMachine, kInfoKey, kInfoValue, path, &error)) {
        program = path;
    } else if (!error
               && GetKeyValue(registry, reg::kLocalMachine, kLocationKey, kLocationValue, path,
                              &error)) {
        // The folder's name is used as stored, trailing backslash or not.
        const QString candidate = path + QStringLiteral("\\MSINFO32.EXE");
        if (QFileInfo(candidate).isFile())
            program = candidate;
    }

    if (!program.isEmpty() && m_launcher->start(program))
        return;
    m_dialogs.message(this, QGuiApplication::applicationDisplayName(), Unavailable,
                      QMessageBox::Ok, QMessageBox::Ok, QMessageBox::NoIcon);
}
