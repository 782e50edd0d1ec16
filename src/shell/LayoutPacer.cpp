#include "shell/LayoutPacer.h"

#include <QAbstractEventDispatcher>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimerEvent>

namespace {

// A slice of layout this long leaves the window free for input between slices.
constexpr double kSliceMs = 12;

// Qt starts its lazy-layout timer at this interval (its size timer at 0).
constexpr int kQtLayoutInterval = 10;

bool laidOut(const QTextBlock &b)
{
    // Hidden blocks are never laid out; they count as done.
    return !b.isVisible() || b.layout()->lineCount() > 0;
}

} // namespace

LayoutPacer::LayoutPacer(QTextEdit *editor)
    : QObject(editor), m_editor(editor)
{
}

LayoutPacer::~LayoutPacer() = default;

void LayoutPacer::track(QTextDocument *doc)
{
    if (m_doc == doc && m_layout == (doc ? doc->documentLayout() : nullptr))
        return;
    resume();
    if (m_layout)
        m_layout->removeEventFilter(this);
    if (m_doc)
        disconnect(m_doc, nullptr, this, nullptr);
    m_doc = doc;
    m_layout = doc ? doc->documentLayout() : nullptr;
    if (!doc)
        return;
    m_layout->installEventFilter(this);
    connect(doc, &QTextDocument::contentsChange, this, &LayoutPacer::contentsChange);
    connect(doc, &QTextDocument::documentLayoutChanged, this, [this] {
        if (m_doc)
            track(m_doc);
    });
}

bool LayoutPacer::finished() const
{
    return !m_doc || laidOut(m_doc->lastBlock());
}

// The first position whose block is not laid out yet. Qt lays a document out
// from the top down, so the laid-out blocks are a prefix of the document.
int LayoutPacer::frontier() const
{
    const int length = m_doc->characterCount();
    int lo = -1, hi = length;   // lo laid out, hi not
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (laidOut(m_doc->findBlock(mid)))
            lo = mid;
        else
            hi = mid;
    }
    return hi >= length ? length : m_doc->findBlock(hi).position();
}

void LayoutPacer::step()
{
    if (m_held || !m_layout || finished())
        return;
    QElapsedTimer clock;
    clock.start();
    const int from = frontier();
    const int last = m_doc->characterCount() - 1;
    const int to = qMin(last, from + m_chunk);
    // Laying out a block's position makes Qt lay out everything above it,
    // in steps of its own, and nothing below.
    m_layout->blockBoundingRect(m_doc->findBlock(to));
    const double ms = clock.nsecsElapsed() / 1e6;
    if (ms > 0.5) {
        const double perMs = (to - from) / ms;
        m_chunk = int(qBound(1000.0, perMs * kSliceMs, 1'000'000.0));
    } else {
        m_chunk = qMin(m_chunk * 2, 1'000'000);
    }
}

bool LayoutPacer::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_layout || event->type() != QEvent::Timer)
        return false;
    // Timer ids are reused, so the interval tells the lazy-layout timer from
    // the size timer each time.
    const int id = static_cast<QTimerEvent *>(event)->timerId();
    int interval = -1;
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance())
        for (const auto &t : d->registeredTimers(m_layout))
            if (t.timerId == id)
                interval = t.interval;
    if (interval != kQtLayoutInterval)
        return false;
    if (m_held)
        return true;   // a held document is laid out once it is let go
    const int before = frontier();
    step();
    // Should our slices stop making headway, Qt's own step takes over.
    return finished() || frontier() != before;
}

void LayoutPacer::contentsChange(int from, int removed, int added)
{
    const int size = qMax(removed, added);
    // A change that starts further down than it is long costs less to lay
    // out as Qt does than to lay out everything above it again.
    if (m_held || !m_doc || size < kBigChange || from >= size)
        return;
    const QSizeF page = m_doc->pageSize();
    if (page.isNull())
        return;
    m_pageSize = page;
    m_held = true;
    m_showFrom = from;
    // With a null page size Qt's layout only forgets the changed blocks.
    m_doc->setPageSize(QSizeF(0, 0));
    QMetaObject::invokeMethod(this, &LayoutPacer::resume, Qt::QueuedConnection);
}

void LayoutPacer::resume()
{
    if (!m_held)
        return;
    m_held = false;
    if (!m_doc || !m_layout)
        return;
    // The editor may have set a page size of its own meanwhile (a resize).
    if (m_doc->pageSize().isNull())
        m_doc->setPageSize(m_pageSize);
    // Layout now starts again from the top; show the start of the change,
    // which needs only what lies above it.
    QScrollBar *bar = m_editor->verticalScrollBar();
    if (m_showFrom <= 0) {
        bar->setValue(0);
        return;
    }
    const QRectF r = m_layout->blockBoundingRect(m_doc->findBlock(m_showFrom));
    // The editor sizes its scroll bar from this signal; its argument is unused.
    emit m_layout->documentSizeChanged(QSizeF());
    bar->setValue(int(r.top()));
}
