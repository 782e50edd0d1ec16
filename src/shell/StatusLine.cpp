#include "shell/StatusLine.h"

#include <QFontMetrics>
#include <QHelpEvent>
#include <QTextDocument>
#include <QToolTip>

namespace {

// Room left between the sunken frame and the text, in pixels.
constexpr int kIndent = 2;

} // namespace

StatusLine::StatusLine(QWidget *bar)
    : QLabel(bar)
{
    setTextFormat(Qt::PlainText);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setMargin(0);
    setIndent(kIndent);
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setWordWrap(false);
    // The bar shows the tooltip for both of us (the line has none of its own).
    if (bar)
        bar->installEventFilter(this);
}

bool StatusLine::eventFilter(QObject *watched, QEvent *e)
{
    if (watched != parentWidget() || e->type() != QEvent::ToolTip)
        return QLabel::eventFilter(watched, e);
    // Qt shows a tooltip as rich text when it merely looks like HTML.
    QString tip = parentWidget()->toolTip();
    if (Qt::mightBeRichText(tip))
        tip = QStringLiteral("<p style=\"white-space:pre\">") + tip.toHtmlEscaped() + QStringLiteral("</p>");
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(static_cast<QHelpEvent *>(e)->globalPos(), tip, parentWidget());
    return true;
}

void StatusLine::setMessage(const QString &message)
{
    m_message = message;
    // Read out whole, however much of it the line shows.
    setAccessibleName(message);
    fit();
}

void StatusLine::resizeEvent(QResizeEvent *e)
{
    QLabel::resizeEvent(e);
    fit();
}

void StatusLine::fit()
{
    // The bar is a fixed 255 twips high, less than a line of the usual
    // interface font: shrink the font until a whole line, descenders and
    // brackets included, fits inside the frame.
    const int room = contentsRect().height();
    QFont f = parentWidget() ? parentWidget()->font() : font();
    qreal points = f.pointSizeF() > 0 ? f.pointSizeF() : 9;
    f.setPointSizeF(points);
    while (room > 0 && QFontMetrics(f).height() > room && points > 5) {
        points -= 0.5;
        f.setPointSizeF(points);
    }
    if (f != font())
        setFont(f);

    // Never wider than the bar: the middle goes, so the tag at the start and
    // the file name at the end both stay readable.
    const int width = contentsRect().width() - 2 * kIndent;
    setText(width > 0 ? fontMetrics().elidedText(m_message, Qt::ElideMiddle, width) : m_message);
}
