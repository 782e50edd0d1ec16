#include "shell/LayoutPacer.h"
#include "base/Product.h"

#include <QAbstractEventDispatcher>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTextLayout>
#include <QTimerEvent>

namespace {

// A slice of layout this long leaves the window free for input between slices.
constexpr double kSliceMs = 8;

// Qt starts its lazy-layout timer at this interval (its size timer at 0).
constexpr int kQtLayoutInterval = 10;

bool laidOut(const QTextBlock &b)
{
    // Hidden blocks are never laid out; they count as done.
    return !b.isVisible() || b.layout()->lineCount() > 0;
}

QObject *textControl(QTextEdit *editor)
{
    for (QObject *child : editor->children())
        if (child->inherits("QWidgetTextControl"))
            return child;
    return nullptr;
}

bool hasLazyLayoutTimer(QObject *layout)
{
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance())
        for (const auto &t : d->registeredTimers(layout))
            if (t.interval == kQtLayoutInterval)
                return true;
    return false;
}

} // namespace

bool LayoutPacer::hooksFound()
{
    static const bool found = [] {
        QTextEdit editor;
        // A document too long for Qt's first layout step, given a page size
        // after its text, is laid out lazily from its lazy-layout timer.
        QTextDocument doc;
        doc.setPlainText(QString(QStringLiteral("A line of text.\n")).repeated(2000));
        editor.setDocument(&doc);
        doc.setPageSize(QSizeF(400, 1e6));
        const bool hooks = textControl(&editor) && hasLazyLayoutTimer(doc.documentLayout());
        editor.setDocument(nullptr);
        return hooks;
    }();
    return found;
}

LayoutPacer::LayoutPacer(QTextEdit *editor)
    : QObject(editor), m_editor(editor)
{
    m_control = textControl(editor);
    m_active = m_control && hooksFound();
    if (!m_active) {
        static bool warned = false;
        if (!warned)
            qWarning("%s: this Qt lacks the text layout internals the editor paces big documents "
                     "with; layout is left to Qt, and big documents may hold the window",
                     qPrintable(product::name()));
        warned = true;
        return;
    }
    // QTextEdit's inner control blinks the text cursor from a timer, and each
    // blink asks where the cursor is, which lays out everything above it.
    m_control->installEventFilter(this);
    // Slices run whenever the event loop has nothing else to do.
    m_tick.setInterval(0);
    connect(&m_tick, &QTimer::timeout, this, &LayoutPacer::step);
}

LayoutPacer::~LayoutPacer() = default;

void LayoutPacer::track(QTextDocument *doc)
{
    if (m_doc == doc && m_layout == (doc ? doc->documentLayout() : nullptr))
        return;
    // A hold on the document that goes ends without touching the view, which
    // now shows another one.
    if (m_held && m_doc && m_doc->pageSize().isNull())
        m_doc->setPageSize(m_pageSize);
    m_held = false;
    if (m_layout)
        m_layout->removeEventFilter(this);
    if (m_doc)
        disconnect(m_doc, nullptr, this, nullptr);
    m_doc = doc;
    m_layout = doc ? doc->documentLayout() : nullptr;
    if (!doc || !m_active)
        return;
    m_edited = false;
    m_restarted = false;
    // Small at first: the first lines of a document load its fonts.
    m_chunk = 2000;
    m_layout->installEventFilter(this);
    connect(doc, &QTextDocument::contentsChange, this, &LayoutPacer::contentsChange);
    m_tick.start();
    connect(doc, &QTextDocument::documentLayoutChanged, this, [this] {
        if (m_doc)
            track(m_doc);
    });
}

bool LayoutPacer::inBackground() const
{
    // Each laid-out paragraph costs Qt about 560 bytes. Many short paragraphs
    // (a big plain-text file) would more than double the document's memory,
    // so those are laid out only as far as they are shown, until edited.
    const qint64 blocks = m_doc->blockCount();
    return m_edited || blocks <= kBackgroundBlocks || blocks * 560 <= 4 * qint64(m_doc->characterCount());
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
    if (m_held || !m_layout || finished() || !inBackground() || !slice())
        m_tick.stop();
}

bool LayoutPacer::slice()
{
    QElapsedTimer clock;
    clock.start();
    const int from = frontier();
    const int last = m_doc->characterCount() - 1;
    const int to = qMin(last, from + m_chunk);
    // Asking where a paragraph is makes Qt lay out everything above it, in
    // steps of its own, and nothing below.
    m_layout->blockBoundingRect(m_doc->findBlock(to));
    const double ms = clock.nsecsElapsed() / 1e6;
    if (frontier() == from) {
        // Qt believes it is done: an edit made while it was laying out lazily
        // lets it walk on past what it had laid out, leaving the rest of the
        // document without lines (and drawn as nothing). Start again from the
        // top, once; should that not help either, leave the layout to Qt.
        if (m_restarted)
            return false;
        m_restarted = true;
        m_doc->setPageSize(m_doc->pageSize());
        return true;
    }
    m_restarted = false;
    if (ms > 0.5) {
        const double perMs = (to - from) / ms;
        m_chunk = int(qBound(1000.0, perMs * kSliceMs, 1'000'000.0));
    } else {
        m_chunk = qMin(m_chunk * 2, 1'000'000);
    }
    return true;
}

bool LayoutPacer::layOutTo(int position)
{
    if (!m_doc || !m_layout || m_held)
        return true;
    position = qBound(0, position, m_doc->characterCount() - 1);
    const int start = frontier();
    if (position < start || finished())
        return true;
    QProgressDialog progress(QStringLiteral("Laying out the document..."), QStringLiteral("Cancel"), 0,
                             1000, m_editor);
    progress.setWindowTitle(product::name());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(1000);
    while (frontier() <= position && !finished()) {
        if (!slice())
            break;
        // Once shown, the (modal) dialog serves the event loop here.
        progress.setValue(int(qint64(frontier() - start) * 1000 / qMax(1, position - start)));
        if (progress.wasCanceled())
            return false;
    }
    return true;
}

bool LayoutPacer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Timer)
        return false;
    if (watched == m_control) {
        if (!m_doc)
            return false;
        // A cursor below the laid-out part is below the view too: it blinks
        // again once the layout has reached it.
        if (!finished() && m_editor->textCursor().position() >= frontier())
            return true;
        // Each blink repaints the paragraph it stands in, and Qt draws a
        // paragraph of megabytes at a cost that kept a core busy while the
        // editor sat idle: there the cursor stays lit instead.
        return m_editor->textCursor().block().length() > kSteadyCursorBlock;
    }
    if (watched != m_layout)
        return false;
    // Qt's own lazy steps grow to 200,000 characters; ours run from m_tick.
    // Timer ids are reused, so the interval tells the lazy-layout timer from
    // the size timer each time.
    const int id = static_cast<QTimerEvent *>(event)->timerId();
    if (QAbstractEventDispatcher *d = QAbstractEventDispatcher::instance())
        for (const auto &t : d->registeredTimers(m_layout))
            if (t.timerId == id)
                return t.interval == kQtLayoutInterval;
    return false;
}

void LayoutPacer::contentsChange(int from, int removed, int added)
{
    if (m_doc && !finished()) {
        // An edited document is laid out to the end (see step()).
        m_edited = true;
        m_tick.start();
    }
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
    m_tick.start();
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
