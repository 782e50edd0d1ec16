#include "shell/StatusLine.h"

#include <QFontMetrics>

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
