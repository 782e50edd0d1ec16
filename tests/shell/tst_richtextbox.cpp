// The editing control's own behaviour: plain-text files in the encodings
// Windows and Linux tools write, loads that fail and leave the document alone
// (saves that fail are in tests/files), undoing and redoing a whole-document
// replacement, and big documents and changes laid out lazily, through the
// pacer's hooks into Qt's text layout. Selection, formatting and paste of
// small texts are tested through the commands that use them.

#include "common/CancelProgress.h"
#include "common/MainWindowFixture.h"
#include "rtf/Rtf.h"
#include "shell/LayoutPacer.h"
#include "shell/ParagraphPieces.h"
#include "shell/PictureHandler.h"
#include "common/Metafiles.h"
#include "text/DocumentFile.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QPainter>
#include <QClipboard>
#include <QGuiApplication>
#include <QPointer>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBlock>
#include <QTextImageFormat>
#include <QTextLayout>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString write(const QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QLatin1String(name));
    if (!writeFile(path, bytes))
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

// Paragraphs of numbered words: `paragraphs` of about `width` characters.
QString manyParagraphs(int paragraphs, int width)
{
    QString s;
    for (int p = 0; p < paragraphs; ++p) {
        if (p)
            s += QLatin1Char('\n');
        for (int w = 0; s.size() % (width + 1) < width - 8 || w == 0; ++w)
            s += QStringLiteral("w%1 ").arg(p * 100 + w);
    }
    return s;
}

struct ShownBox {
    RichTextBox box;
    ShownBox()
    {
        box.resize(500, 300);
        box.show();
        if (!QTest::qWaitForWindowExposed(&box))
            qFatal("editor not shown");
    }
};

bool allBold(const QTextDocument *doc, int from, int to)
{
    for (QTextBlock b = doc->findBlock(from); b.isValid() && b.position() < to; b = b.next())
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.position() + f.length() > from && f.position() < to
                && f.charFormat().fontWeight() < QFont::Bold)
                return false;
        }
    return true;
}

} // namespace

class TestRichTextBox : public QObject
{
    Q_OBJECT

private slots:
    void plainTextEncodings()
    {
        // Each way of decoding is in tests/text; here, that a load takes
        // the one the bytes call for, and ends lines as Windows and Linux do.
        const QString text = QStringLiteral("Caf\u00e9 \u20ac5\u00a0\r\nsecond line");
        // Read a megabyte at a time: a CR LF across two pieces stays one line end.
        QString big(1024 * 1024 - 1, QLatin1Char('a'));
        big += QStringLiteral("\r\n");
        for (int i = 0; big.size() < 3 * 1024 * 1024; ++i)
            big += QStringLiteral("line %1%2").arg(i).arg(i % 3 ? QStringLiteral("\r\n") : QStringLiteral("\r"));
        const std::pair<QByteArray, QString> files[] = {
            {"\xEF\xBB\xBF" + text.toUtf8(), text},
            {"Caf\xE9 \x80" "5\xA0\r\nsecond line", text},                          // Windows-1252
            {"Caf\xC3\xA9 \xE2\x82\xAC" "5\xC2\xA0\rsecond line", text},          // lone CR
            {"\xFE\xFF" + QStringEncoder(QStringEncoder::Utf16BE).encode(text) + 'Z', text + QStringLiteral("\uFFFD")},   // a broken last byte still shows
            {big.toUtf8(), QString(big).replace(QStringLiteral("\r\n"), QStringLiteral("\r")).replace(u'\r', QStringLiteral("\r\n"))}};
        QTemporaryDir dir;
        for (const auto &[bytes, expected] : files) {
            RichTextBox box;
            const Result<> loaded = box.LoadFile(write(dir, "in.txt", bytes), RichTextBox::rtfText);
            QVERIFY2(loaded, qPrintable(loaded.error()));
            QCOMPARE(box.characters(), expected);   // Text() shows a no-break space as a blank
        }
    }

    void paragraphsRunLeftToRight()
    {
        // Hebrew in a paragraph not marked right to left leaves it left to
        // right, as RTF has it (and Qt need not scan paragraphs for a
        // direction on each keystroke); a marked one keeps its direction.
        RichTextBox box;
        QVERIFY(box.SetTextRTF(QStringLiteral("{\\rtf1\\ansi \\u1488?\\u1489?\\par\\rtlpar \\u1488?b\\par}")));
        QCOMPARE(box.document()->firstBlock().textDirection(), Qt::LeftToRight);
        QCOMPARE(box.document()->firstBlock().next().textDirection(), Qt::RightToLeft);
        QVERIFY(box.TextRTF().contains(QLatin1String("\\rtlpar")));
        QVERIFY(box.SetText(QStringLiteral("\u05d0\u05d1")));
        QCOMPARE(box.document()->firstBlock().textDirection(), Qt::LeftToRight);
    }

    void plainTextSaveIsUtf8WithCrLf()
    {
        QTemporaryDir dir;
        RichTextBox box;
        box.SetText(QStringLiteral("\u00c5ngstr\u00f6m\nline two\n\nend\u00a0\u2028x"));
        const QString path = dir.filePath(QStringLiteral("out.txt"));
        const QByteArray saved = QStringLiteral("\u00c5ngstr\u00f6m\r\nline two\r\n\r\nend\u00a0\r\nx").toUtf8();
        QVERIFY(box.SaveFile(path, RichTextBox::rtfText));
        QCOMPARE(readFile(path), saved);

        // A picture the writer cannot write fails the save and leaves the file.
        RichTextBox withPicture;
        QTextImageFormat missing;
        missing.setName(QStringLiteral("nowhere:lost.png"));
        withPicture.textCursor().insertImage(missing);
        QVERIFY(!withPicture.SaveFile(path, RichTextBox::rtfRTF));
        QCOMPARE(readFile(path), saved);
    }

    void bigPictureDecodedOnceAtShownSize()
    {
        // A 3000 x 3000 photo, left half red and right half blue, shown at
        // 60 x 60: Qt's own handler decoded it on every layout and paint.
        QImage photo(3000, 3000, QImage::Format_RGB32);
        photo.fill(Qt::red);
        QPainter(&photo).fillRect(1500, 0, 1500, 3000, Qt::blue);
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(photo.save(&buffer, "png"));
        ShownBox s;
        QVERIFY(s.box.SetTextRTF(QString::fromLatin1(
            "{\\rtf1 {\\pict\\pngblip\\picwgoal900\\pichgoal900 " + png.toHex() + "}}")));
        QImage shot;
        for (int paint = 0; paint < 3; ++paint)
            shot = s.box.viewport()->grab().toImage();
        const PictureHandler *handler = PictureHandler::of(s.box.document());
        QVERIFY(handler);
        QCOMPARE(handler->decodes(), 1);
        const QRect picture = s.box.cursorRect(QTextCursor(s.box.document()));
        const int y = picture.top() + 30;
        QCOMPARE(shot.pixelColor(picture.left() + 15, y), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(picture.left() + 45, y), QColor(Qt::blue));
        // Saved as the bytes that were read, not as the copy on screen.
        QVERIFY(s.box.TextRTF().remove(QStringLiteral("\r\n")).contains(QString::fromLatin1(png.toHex())));
    }

    void metafilesDrawn()
    {
        // WordPad keeps every picture as a metafile: drawn at the shown
        // size (the rectangle's middle is red), saved as the bytes read.
        for (const QByteArray &pict : {"\\wmetafile8 " + metafiles::wmf().toHex(), "\\emfblip " + metafiles::emf().toHex()}) {
            ShownBox s;
            QVERIFY(s.box.SetTextRTF(QString::fromLatin1("{\\rtf1 {\\pict\\picwgoal1500\\pichgoal750" + pict + "}}")));
            const QImage shot = s.box.viewport()->grab().toImage();
            const QRect picture = s.box.cursorRect(QTextCursor(s.box.document()));
            const QColor middle = shot.pixelColor(picture.left() + 35, picture.top() + 25);
            QVERIFY2(middle.red() > 200 && middle.green() < 60, qPrintable(middle.name()));
            QVERIFY(s.box.TextRTF().remove(QStringLiteral("\r\n")).contains(QString::fromLatin1(pict).remove(u' ')));
        }
    }

    void shownStandInsStayOutOfTheText()
    {
        // A long table is shown in slices with an empty paragraph between
        // them, and a face this machine lacks in a family it has: neither
        // reaches the text, the plain-text save or the face the user sees.
        RichTextBox box;
        QVERIFY(box.LoadFile(QStringLiteral(QUILLET_TEST_DATA "/tables/rows400.rtf"), RichTextBox::rtfRTF));
        QVERIFY(!box.Text().contains(QStringLiteral("\r\n\r\n")));
        QVERIFY(!box.characters().contains(QStringLiteral("\r\n\r\n")));
        QCOMPARE(box.Text().count(QStringLiteral("\r\n")), rtf::plainText(box.document()).count(u'\n'));
        QVERIFY(box.SetTextRTF(QStringLiteral("{\\rtf1{\\fonttbl{\\f0 Arial;}}\\f0 word}")));
        box.SetSelLength(2);
        QCOMPARE(box.SelFontName(), QStringLiteral("Arial"));
        box.SetSelFontName(QStringLiteral("Courier New"));
        QCOMPARE(box.SelFontName(), QStringLiteral("Courier New"));
        QVERIFY(box.TextRTF().contains(QLatin1String("Courier New;")));
    }

    void failedLoadLeavesDocument()
    {
        // A file that is not RTF, and Cancel in the progress of a big open,
        // leave the document and its history alone, and say why. (What the
        // file module refuses is in its tests and in tests/files.)
        QTemporaryDir dir;
        RichTextBox box;
        box.SetText(QStringLiteral("keep me"));
        const int history = box.session().historyCount();
        QCOMPARE(failure(box.LoadFile(write(dir, "plain.rtf", "just text"), RichTextBox::rtfRTF)),
                 QStringLiteral("not a Rich Text Format file"));
        const QString big = write(dir, "big.txt", QByteArray("a line\n").repeated(600000));
        const CancelProgress cancel(&box);
        QCOMPARE(failure(box.LoadFile(big, RichTextBox::rtfText)), QStringLiteral("cancelled"));
        QCOMPARE(box.Text(), QStringLiteral("keep me"));
        QCOMPARE(box.session().historyCount(), history);
    }

    void replacementCanBeUndone()
    {
        ShownBox s;
        RichTextBox &box = s.box;
        box.setFocus();
        QTest::keyClicks(&box, QStringLiteral("draft"));
        box.SetText(QStringLiteral("replaced"));
        QTest::keyClicks(&box, QStringLiteral("!"));
        QCOMPARE(box.Text(), QStringLiteral("!replaced"));   // the insertion point starts at the top
        // First the new document's own edits, then the replaced document returns.
        for (const char *undone : {"replaced", "draft"}) {
            QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(box.Text(), QLatin1String(undone));
        }
        // Redo goes forward the same way: the replacement, then the edits
        // undone in it.
        for (const char *redone : {"replaced", "!replaced"}) {
            QTest::keyClick(&box, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(box.Text(), QLatin1String(redone));
        }
        QVERIFY(!box.redoStep());
        QVERIFY(box.undoStep());
        QVERIFY(box.undoStep());
        // The restored document keeps its own history and takes typing again;
        // neither that typing nor the way forward is lost.
        QVERIFY(box.document()->isUndoAvailable());
        QTest::keyClicks(&box, QStringLiteral("s"));
        QCOMPARE(box.Text(), QStringLiteral("drafts"));
        QVERIFY(box.redoStep());
        QCOMPARE(box.Text(), QStringLiteral("replaced"));
        QVERIFY(box.undoStep());
        QCOMPARE(box.Text(), QStringLiteral("drafts"));
    }

    void historyKeepsNewestWithinBudget()
    {
        RichTextBox box;
        const QString big(20000, QLatin1Char('b'));
        box.SetText(big + QLatin1Char('0'));
        box.session().setHistoryBudget(2 * DocumentSession::estimatedBytes(box.document()));
        const QPointer<QTextDocument> oldest = box.document();
        QPointer<QAbstractTextDocumentLayout> layout;
        for (int i = 1; i <= 4; ++i) {
            layout = box.document()->documentLayout();
            box.SetText(big + QString::number(i));
        }
        // The oldest went first; one kept keeps no layout (it would go on
        // laying out).
        QVERIFY(!oldest);
        QVERIFY(!layout);
        QCOMPARE(box.session().historyCount(), 2);
        for (char kept : {'3', '2'}) {
            QVERIFY(box.session().undoReplace());
            QCOMPARE(box.Text(), big + QLatin1Char(kept));
        }
        QVERIFY(!box.session().undoReplace());
        // A smaller budget drops what no longer fits; small documents all stay.
        // Undone replacements count too, outward from the current document.
        QVERIFY(box.session().redoReplace());
        QVERIFY(box.session().redoReplace());
        QCOMPARE(box.Text(), big + QLatin1Char('4'));
        QVERIFY(box.session().undoReplace());
        box.session().setHistoryBudget(DocumentSession::estimatedBytes(box.document()) * 3 / 2);
        QCOMPARE(box.session().historyCount(), 1);
        QVERIFY(box.session().canUndoReplace());
        QVERIFY(!box.session().canRedoReplace());
        box.SetText(big + QLatin1Char('5'));
        box.session().setHistoryBudget(0);
        QCOMPARE(box.session().historyCount(), 0);
        box.session().setHistoryBudget(DocumentSession::kHistoryBudget);
        for (int i = 0; i < 20; ++i)
            box.SetText(QString::number(i));
        QCOMPARE(box.session().historyCount(), 20);
    }

    void bigDocumentIsLaidOutToTheEnd()
    {
        // Laid out in slices from the event loop, never all at once, until the
        // last paragraph is done. Typing near the top on the way makes Qt take
        // the layout as finished with the rest of the document left without
        // lines (drawn as nothing); it must still be laid out to the end.
        // Both hooks must be found on the Qt we build against, or the editor
        // quietly loses its pacing.
        QVERIFY2(LayoutPacer::hooksFound(), "Qt's text control or lazy-layout timer has changed");
        ShownBox s;
        QVERIFY(s.box.pacer()->active());
        s.box.SetText(manyParagraphs(3000, 200));
        QVERIFY(!s.box.pacer()->finished());
        s.box.setFocus();
        s.box.SetSelStart(10);
        QTest::keyClicks(&s.box, QStringLiteral("typed"));
        QTRY_VERIFY_WITH_TIMEOUT(s.box.pacer()->finished(), 60000);
        for (QTextBlock b = s.box.document()->begin(); b.isValid(); b = b.next())
            QVERIFY(b.layout()->lineCount() > 0);
        QCOMPARE(s.box.Text().mid(10, 5), QStringLiteral("typed"));

        // Ctrl+End lays the rest out at once, in slices, then goes there;
        // Cancel in its progress stops that short.
        s.box.SetText(manyParagraphs(3000, 200));
        {
            const CancelProgress cancel(&s.box);
            QVERIFY(!s.box.pacer()->layOutTo(s.box.document()->characterCount() - 1));
        }
        QVERIFY(!s.box.pacer()->finished());
        QTest::keyClick(&s.box, Qt::Key_End, Qt::ControlModifier);
        QVERIFY(s.box.pacer()->finished());
        QCOMPARE(s.box.SelStart(), s.box.document()->characterCount() - 1);
    }

    void bigFormatChange()
    {
        // Whole document (held and laid out again from the top), the second
        // half (laid out by Qt at once), and a small run in the middle.
        for (auto [from, length] : {std::pair{0, -1}, {300000, 300000}, {1000, 50}}) {
            ShownBox s;
            s.box.SetText(manyParagraphs(2000, 300));
            QTextDocument *doc = s.box.document();
            const int end = doc->characterCount() - 1;
            if (length < 0)
                length = end - from;
            s.box.SetSelStart(from);
            s.box.SetSelLength(length);
            QCOMPARE(s.box.SelLength(), qMin(length, end - from));
            s.box.SetSelBold(true);
            s.box.SetSelColor(0x0000FF);
            QVERIFY(!s.box.pacer()->held());
            QVERIFY(s.box.SelBold());
            QVERIFY(allBold(doc, from, from + length));
            QVERIFY(!allBold(doc, 0, from) || from == 0);
            QVERIFY(!allBold(doc, from + length, end) || from + length >= end);
            // Selecting everything leaves the view at the top.
            QVERIFY(from != 0 || s.box.verticalScrollBar()->value() == 0);
            QTRY_VERIFY_WITH_TIMEOUT(s.box.pacer()->finished(), 60000);
            // One Ctrl+Z per command takes each back whole.
            s.box.setFocus();
            QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
            QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
            QVERIFY(!allBold(doc, from, from + 1));
            QTRY_VERIFY_WITH_TIMEOUT(s.box.pacer()->finished(), 60000);
        }
    }

    void bigPasteIsOneUndoStep()
    {
        // Through the Paste command and the editor's own paste.
        const QString pasted = manyParagraphs(1000, 150);
        for (bool throughClipboard : {false, true}) {
            ShownBox s;
            s.box.SetText(QStringLiteral("before after"));
            s.box.setFocus();
            s.box.SetSelStart(7);
            QGuiApplication::clipboard()->setText(pasted);
            throughClipboard ? s.box.paste() : s.box.SetSelText(pasted);
            QCOMPARE(s.box.SelStart(), 7 + pasted.size());
            QCoreApplication::processEvents();
            QVERIFY(!s.box.pacer()->held());
            QCOMPARE(s.box.Text(), "before " + QString(pasted).replace(u'\n', QStringLiteral("\r\n")) + "after");
            QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
            QCOMPARE(s.box.Text(), QStringLiteral("before after"));
            QCOMPARE(s.box.SelStart(), 7); // where the paste was, not the top
            QTRY_VERIFY_WITH_TIMEOUT(s.box.pacer()->finished(), 60000);
        }
    }

    void longParagraphLeavesAsOne()
    {
        // A paragraph of 200,000 characters between two short ones is shown
        // as pieces; the text, both saves, search and the clipboard see the
        // one paragraph it is, with its indent and spacing.
        const QString words = manyParagraphs(1, 200000);
        const QString text = QStringLiteral("head\n") + words + QStringLiteral("\ntail");
        const QByteArray crlf = QString(text).replace(u'\n', QStringLiteral("\r\n")).toUtf8();
        const QByteArray markup = "{\\rtf1\\ansi head\\par\\fi300\\sb120\\sa240 " + words.toLatin1() + "\\par\\pard tail}";
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out"));
        for (const QByteArray &bytes : {crlf, markup}) {
            const bool isRtf = rtf::isRtf(bytes);
            RichTextBox box;
            QVERIFY(box.LoadFile(write(dir, "in", bytes), isRtf ? RichTextBox::rtfRTF : RichTextBox::rtfText));
            const QTextDocument *doc = box.document();
            QVERIFY(doc->blockCount() > 6);
            QCOMPARE(box.Text().toUtf8(), crlf);
            QCOMPARE(rtf::plainText(doc), text);
            QVERIFY(box.SaveFile(path, RichTextBox::rtfText));
            QCOMPARE(readFile(path), crlf);
            const std::unique_ptr<QTextDocument> whole = DocumentSession::newDocument();
            isRtf ? void(rtf::read(bytes, whole.get())) : whole->setPlainText(text);
            QCOMPARE(box.TextRTF().toLatin1(), rtf::write(whole.get()));

            const QTextBlock join = doc->findBlock(100000);
            QVERIFY(rtf::joinsPrevious(join));
            const QString across = join.previous().text().right(7) + join.text().left(7);
            QVERIFY(text.contains(across));
            QCOMPARE(box.Find(across), join.position() - 8);
            QCOMPARE(box.SelText(), across);
            QCOMPARE(box.clipboardText(), across);
        }
    }

    void editingAtJoins()
    {
        const QString text = QStringLiteral("first\n") + manyParagraphs(1, 200000) + QStringLiteral("\nnext paragraph");
        ShownBox s;
        QVERIFY(s.box.SetText(text));
        s.box.setFocus();
        const QTextDocument *doc = s.box.document();
        const int blocks = doc->blockCount();
        const auto joinAt = [doc](int position) {
            const QTextBlock b = doc->findBlock(position);
            return rtf::joinsPrevious(b) ? b : b.next();
        };
        QTextBlock join = joinAt(60000);
        const QString left = join.previous().text().right(5), right = join.text().left(5);
        QString expected = QString(text).replace(u'\n', QStringLiteral("\r\n"));
        // Typed on either side of a join, and Enter there: a real paragraph
        // end, no paragraph of its own, and Ctrl+Z takes it back.
        s.box.SetSelStart(join.position());
        QTest::keyClick(&s.box, Qt::Key_X);
        s.box.SetSelStart(join.position() - 1);
        QTest::keyClick(&s.box, Qt::Key_Y);
        expected.replace(left + right, left + QStringLiteral("yx") + right);
        QCOMPARE(s.box.Text(), expected);
        QTest::keyClick(&s.box, Qt::Key_Return);
        QCOMPARE(s.box.Text(), QString(expected).replace(QStringLiteral("yx"), QStringLiteral("y\r\nx")));
        QCOMPARE(doc->blockCount(), blocks);
        QCOMPARE(s.box.textCursor().block().text().left(1), QStringLiteral("x"));
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.box.Text(), expected);
        QCOMPARE(pieces::pastJoins(doc, s.box.SelStart(), true), join.position());
        // Backspace and Delete at a join take a character of the text.
        s.box.SetSelStart(join.position());
        QTest::keyClick(&s.box, Qt::Key_Backspace);
        s.box.SetSelStart(join.position() - 1);
        QTest::keyClick(&s.box, Qt::Key_Delete);
        expected.replace(QStringLiteral("yx"), QString());
        QCOMPARE(s.box.Text(), expected);
        // Delete at the end of the paragraph before: one paragraph, and one
        // Ctrl+Z brings back its end with every join after it.
        s.box.SetSelStart(5);
        QTest::keyClick(&s.box, Qt::Key_Delete);
        QCOMPARE(s.box.Text(), QString(expected).remove(5, 2));
        QTest::keyClick(&s.box, Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(s.box.Text(), expected);

        // Enter inside a piece, and text deleted across a join into a piece
        // that goes on, or from a join into the next paragraph.
        join = joinAt(120000);
        s.box.SetSelStart(join.position() + 3);
        QTest::keyClick(&s.box, Qt::Key_Return);
        expected = s.box.Text();
        QCOMPARE(expected.count(QStringLiteral("\r\n")), 3);
        join = joinAt(30000);
        const QString cut = join.previous().text().right(4) + join.text().left(4);
        QTextCursor c = s.box.textCursor();
        c.setPosition(join.position() - 5);
        c.setPosition(join.position() + 4, QTextCursor::KeepAnchor);
        s.box.setTextCursor(c);
        QTest::keyClick(&s.box, Qt::Key_Delete);
        expected.remove(expected.indexOf(cut), cut.size());
        QCOMPARE(s.box.Text(), expected);
        join = joinAt(doc->lastBlock().position() - 1000);
        expected.chop(join.text().size() + QStringLiteral("\r\nnext paragraph").size());
        c.setPosition(join.position());
        c.setPosition(doc->lastBlock().position() + 5, QTextCursor::KeepAnchor);
        s.box.setTextCursor(c);
        QTest::keyClick(&s.box, Qt::Key_Delete);
        QCOMPARE(s.box.Text(), expected + QStringLiteral("paragraph"));
    }

    void longWordsWrapAnywhere()
    {
        // Wrapping a word of many thousand characters at word boundaries takes
        // Qt time that grows with the square of its length.
        ShownBox s;
        QString word(30000, QLatin1Char('x'));
        s.box.SetText(QStringLiteral("short words ") + word);
        QCOMPARE(s.box.wordWrapMode(), QTextOption::WrapAnywhere);
        QTRY_VERIFY(s.box.pacer()->finished());
        QVERIFY(s.box.document()->lastBlock().layout()->lineCount() > 10);
        s.box.SetText(QStringLiteral("short words only"));
        QCOMPARE(s.box.wordWrapMode(), QTextOption::WrapAtWordBoundaryOrAnywhere);
        s.box.SetSelText(word);
        QCOMPARE(s.box.wordWrapMode(), QTextOption::WrapAnywhere);
        // Back to the long word's document: its own wrap mode again.
        QVERIFY(s.box.session().undoReplace());
        QCOMPARE(s.box.wordWrapMode(), QTextOption::WrapAnywhere);
    }

    void cursorStaysLitInAHugeParagraph()
    {
        // Each blink repainted the whole paragraph: a core busy while idle.
        // (The box shows such a paragraph in pieces; a plain editor does not.)
        QTextEdit editor;
        LayoutPacer pacer(&editor);
        editor.resize(400, 300);
        editor.show();
        editor.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&editor));
        editor.setPlainText(QStringLiteral("word ").repeated(LayoutPacer::kSteadyCursorBlock / 4));
        pacer.track(editor.document());
        editor.setFocus();
        QTest::keyClick(&editor, Qt::Key_Right); // the cursor is lit after a move
        const QImage first = editor.viewport()->grab().toImage();
        for (int i = 0; i < 4; ++i) {
            QTest::qWait(QGuiApplication::styleHints()->cursorFlashTime() / 3);
            QCOMPARE(editor.viewport()->grab().toImage(), first);
        }
    }
};

QTEST_MAIN(TestRichTextBox)
#include "tst_richtextbox.moc"
