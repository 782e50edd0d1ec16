#include "views/frmTip.h"

#include "text/DocumentFile.h"
#include "text/TextCodec.h"
#include "shell/Twips.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include <algorithm>
#include <random>

const QString frmTip::TipsFileName = QStringLiteral("TIPOFDAY.TXT");
const QString frmTip::Contact = QStringLiteral("quillet@example.org");

namespace {

// Far beyond any real tips file; a bigger one is refused, so opening the
// window stays quick and small.
constexpr qint64 kMaxTipsBytes = 4 * 1024 * 1024;
// The label shows a few hundred characters; longer lines are cut for the
// display alone, so laying out the label stays cheap.
constexpr qsizetype kMaxShownChars = 4096;

std::function<double()> clockSeededRandom()
{
    auto gen = std::make_shared<std::mt19937>(
        quint32(QDateTime::currentMSecsSinceEpoch() ^ (QDateTime::currentMSecsSinceEpoch() >> 32)));
    // 32 random bits over 2^32: always below 1.
    return [gen] { return double((*gen)()) / 4294967296.0; };
}

} // namespace

frmTip::frmTip(QWidget *owner, std::function<double()> random, const QStringList &folders)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                         | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_random(random ? std::move(random) : clockSeededRandom())
{
    setObjectName(QStringLiteral("frmTip"));
    setWindowTitle(QStringLiteral("Tip of the day"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/dialog.xpm")));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(twips::toPxX(5850), twips::toPxY(2565));

    cmdOK = new QPushButton(QStringLiteral("Ok"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdOK->setGeometry(twips::rect(4080, 120, 1635, 375));
    cmdOK->setDefault(true);
    connect(cmdOK, &QPushButton::clicked, this, &frmTip::cmdOK_Click);

    cmdNextTip = new QPushButton(QStringLiteral("&Next Tip"), this);
    cmdNextTip->setObjectName(QStringLiteral("cmdNextTip"));
    cmdNextTip->setGeometry(twips::rect(4080, 600, 1635, 375));
    connect(cmdNextTip, &QPushButton::clicked, this, &frmTip::cmdNextTip_Click);

    auto *picture = new QFrame(this);
    picture->setObjectName(QStringLiteral("Picture1"));
    picture->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    picture->setGeometry(twips::rect(120, 120, 3735, 2235));
    picture->setFocusPolicy(Qt::TabFocus);
    QPalette white = picture->palette();
    white.setColor(QPalette::Window, colorFromBgr(0x00FFFFFF));
    white.setColor(QPalette::WindowText, Qt::black);
    picture->setPalette(white);
    picture->setAutoFillBackground(true);
    picture->setAccessibleName(QStringLiteral("Did you know?"));   // it takes the focus
    Picture1 = picture;

    auto *bulb = new QLabel(picture);
    bulb->setObjectName(QStringLiteral("imgTip"));
    bulb->setPixmap(QPixmap(QStringLiteral(":/views/bulb.xpm")));
    bulb->setGeometry(picture->frameWidth(), picture->frameWidth(), 32, 32);

    // Positions inside the picture box count from inside its border.
    auto inPicture = [picture](int l, int t, int w, int h) {
        return twips::rect(l, t, w, h).translated(picture->frameWidth(), picture->frameWidth());
    };
    Label1 = new QLabel(QStringLiteral("Did you know?"), picture);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(inPicture(540, 180, 2655, 255));

    lblTipText = new QLabel(picture);
    lblTipText->setObjectName(QStringLiteral("lblTipText"));
    lblTipText->setGeometry(inPicture(180, 840, 3255, 1215));
    lblTipText->setTextFormat(Qt::PlainText);
    lblTipText->setWordWrap(true);
    lblTipText->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    setTabOrder(cmdOK, Picture1);
    setTabOrder(Picture1, cmdNextTip);
    cmdOK->setFocus();

    // Creation: the generator is seeded above; read the tips and show one.
    const QString file = findTipsFile(folders);
    const Result<> loaded = readTips(file);
    if (!loaded) {
        if (loaded.error().isEmpty())
            lblTipText->setText(notFoundText());
        else
            lblTipText->setText(QStringLiteral("The tip file %1 could not be read: %2. Please report this error to %3.")
                                    .arg(file, loaded.error(), Contact));
    }
}

frmTip::~frmTip() = default;

QString frmTip::notFoundText()
{
    return QStringLiteral("Tip file not found, please report this error to ") + Contact
           + QLatin1Char(' ') + TipsFileName + QStringLiteral(".\r\n\r\n");
}

QString frmTip::findTipsFile(const QStringList &folders)
{
    if (QFileInfo(TipsFileName).isFile())
        return TipsFileName;
    for (const QString &folder : folders) {
        if (folder.isEmpty())
            continue;
        const QString candidate = QDir(folder).filePath(TipsFileName);
        if (QFileInfo(candidate).isFile())
            return candidate;
    }
    return TipsFileName;
}

bool frmTip::LoadTips(const QString &fileName)
{
    return bool(readTips(fileName));
}

Result<> frmTip::readTips(const QString &fileName)
{
    // No such file fails without a message, and so does anything that is
    // not a regular file (a folder, a pipe, a device): the search passes
    // those by, and reading a pipe could wait for ever.
    if (fileName.isEmpty())
        return Failure{};
    const QFileInfo info(fileName);
    if (!info.exists() || !info.isFile())
        return Failure{};

    const Result<QByteArray> read = docfile::load(fileName, kMaxTipsBytes);
    if (!read)
        return Failure{read.error()};
    const QByteArray &bytes = *read;

    // One tip per line; a line ends at CR LF or a lone CR. A lone LF is
    // part of the tip, and an end of file after a line end adds nothing.
    m_text = textcodec::decodeText(bytes);
    m_tips.clear();
    const qsizetype n = m_text.size();
    qsizetype start = 0;
    for (qsizetype i = 0; i < n; ++i) {
        if (m_text.at(i) != QLatin1Char('\r'))
            continue;
        m_tips.emplace_back(start, i - start);
        if (i + 1 < n && m_text.at(i + 1) == QLatin1Char('\n'))
            ++i;
        start = i + 1;
    }
    if (start < n)
        m_tips.emplace_back(start, n - start);

    ChooseRandomTip();
    return {};
}

QString frmTip::tip(int number) const
{
    if (number < 1 || number > tipCount())
        return QString();
    const auto &[offset, length] = m_tips[size_t(number - 1)];
    return m_text.mid(offset, length);
}

void frmTip::DisplayCurrentTip()
{
    if (m_tips.empty())
        return;
    QString shown = tip(m_currentTip);
    if (shown.size() > kMaxShownChars)
        shown.truncate(kMaxShownChars);
    lblTipText->setText(shown);
}

void frmTip::ChooseRandomTip()
{
    const double r = m_random();
    const qint64 count = qint64(m_tips.size());
    // r < 1 gives 1..count (1 when there are none); the rounding of r * count
    // must not reach count + 1.
    const qint64 number = qint64(r * double(count) + 1.0);
    m_currentTip = qint32(std::clamp<qint64>(number, 1, std::max<qint64>(count, 1)));
    DisplayCurrentTip();
}

void frmTip::cmdOK_Click()
{
    hide();
}

void frmTip::cmdNextTip_Click()
{
    ChooseRandomTip();
}

void frmTip::reject()
{
    cmdOK_Click();
}
