#include "views/frmSplash.h"

#include "shell/MainWindow.h"
#include "base/Product.h"
#include "shell/Twips.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QSysInfo>

namespace {

// The frame reports a click only when the mouse goes down and up on its own
// surface; its labels and picture swallow theirs.
class SplashFrame : public QFrame
{
public:
    explicit SplashFrame(QWidget *parent, std::function<void()> onClick)
        : QFrame(parent), m_onClick(std::move(onClick))
    {
    }

protected:
    void mousePressEvent(QMouseEvent *e) override
    {
        m_pressed = e->button() == Qt::LeftButton && !childAt(e->position().toPoint());
        e->accept();
    }
    void mouseReleaseEvent(QMouseEvent *e) override
    {
        const QPoint p = e->position().toPoint();
        const bool click = m_pressed && e->button() == Qt::LeftButton && rect().contains(p)
                           && !childAt(p);
        m_pressed = false;
        e->accept();
        if (click)
            m_onClick();
    }

private:
    std::function<void()> m_onClick;
    bool m_pressed = false;
};

// Labels take their mouse events, so a click on one never reaches the frame.
class SplashLabel : public QLabel
{
public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent *e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent *e) override { e->accept(); }
};

QFont arial(double points, bool bold)
{
    QFont f;
    f.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                   QStringLiteral("DejaVu Sans")});
    f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

} // namespace

frmSplash::frmSplash(MainWindow &main, std::function<void()> openTip)
    : QFrame(main.widget(), Qt::Dialog | Qt::FramelessWindowHint), m_main(main),
      m_openTip(std::move(openTip))
{
    setObjectName(QStringLiteral("frmSplash"));
    setWindowTitle(product::name());
    setAttribute(Qt::WA_DeleteOnClose);
    // The dialog frame the window has instead of a title bar.
    setFrameStyle(QFrame::WinPanel | QFrame::Raised);
    const int border = frameWidth();
    setFixedSize(twips::toPxX(7380) + 2 * border, twips::toPxY(4245) + 2 * border);
    // Keys come to the window itself: nothing inside takes the focus.
    setFocusPolicy(Qt::StrongFocus);

    Frame1 = new SplashFrame(this, [this] { Frame1_Click(); });
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    Frame1->setGeometry(twips::rect(150, 60, 7080, 4050).translated(border, border));

    auto label = [this](const char *name, const QString &text, int l, int t, int w, int h,
                        const QFont &font, bool right) {
        auto *lbl = new SplashLabel(text, Frame1);
        lbl->setObjectName(QLatin1String(name));
        lbl->setTextFormat(Qt::PlainText);
        lbl->setFont(font);
        lbl->setAlignment((right ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);
        const QRect box = twips::rect(l, t, w, h);
        // Each label fits itself to its text; a right-aligned one keeps its
        // right edge where the layout puts it.
        lbl->adjustSize();
        const int x = right ? box.right() + 1 - lbl->width() : box.left();
        lbl->move(x, box.top());
        return lbl;
    };
    // The picture first, so the greeting above it overlaps it.
    Image1 = new SplashLabel(Frame1);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(QPixmap(QStringLiteral(":/icons/quillet.xpm")));
    Image1->setScaledContents(true);
    Image1->setGeometry(twips::rect(120, 720, 2760, 2400));

    lblCompanyProduct = label("lblCompanyProduct", QStringLiteral("Welcome To..."),
                              2760, 720, 2445, 435, arial(18, true), false);
    lblProductName = label("lblProductName", product::name(),
                           3000, 1140, 3855, 765, arial(32.25, true), false);
    lblPlatform = label("lblPlatform", platformName(),
                        5025, 2340, 1830, 360, arial(15.75, true), true);
    lblVersion = label("lblVersion", QStringLiteral("v") + product::version(),
                       6390, 2700, 465, 285, arial(12, true), true);
    lblCompany = label("lblCompany",
                       QStringLiteral("Written with Qt by the %1 developers.").arg(product::name()),
                       240, 3720, 4455, 255, arial(8.25, false), false);

    // Centred on the screen, not on the (still hidden) main window.
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = rect();
        r.moveCenter(screen->availableGeometry().center());
        move(r.topLeft());
    }
}

frmSplash::~frmSplash() = default;

QString frmSplash::platformName()
{
    const QString kernel = QSysInfo::kernelType();
    const QString product = QSysInfo::productType();
    if (kernel == QLatin1String("linux"))
        return product == QLatin1String("android") ? QStringLiteral("Android")
                                                     : QStringLiteral("Linux");
    if (kernel == QLatin1String("winnt"))
        return QStringLiteral("Windows");
    if (kernel == QLatin1String("darwin"))
        return product == QLatin1String("macos") ? QStringLiteral("macOS") : QSysInfo::prettyProductName();
    if (kernel == QLatin1String("freebsd"))
        return QStringLiteral("FreeBSD");
    if (kernel == QLatin1String("netbsd"))
        return QStringLiteral("NetBSD");
    if (kernel == QLatin1String("openbsd"))
        return QStringLiteral("OpenBSD");
    if (kernel.isEmpty())
        return QSysInfo::prettyProductName();
    return kernel.left(1).toUpper() + kernel.mid(1);
}

void frmSplash::Frame1_Click()
{
    close();
    m_main.showMain();
    m_openTip();
}

bool frmSplash::event(QEvent *e)
{
    // Any key that types a character (Enter, Escape, Backspace and Tab
    // included) closes the splash; Shift, arrows and function keys do not.
    if (e->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(e);
        // Delete sends a character code but types nothing.
        if (!k->text().isEmpty() && k->key() != Qt::Key_Delete) {
            close();
            return true;
        }
    }
    return QFrame::event(e);
}
