#pragma once
// Draws a document's pictures from a copy decoded once at the size shown.
//
// Pictures are kept in the document as the bytes they were read as (the
// writer saves those bytes back untouched). Qt's own image handler decodes
// such bytes again whenever it lays out or paints the picture: a photo of
// 5600 x 5600 pixels costs a third of a core while the editor sits idle and
// makes typing lag. This handler reads the picture's header for its size and
// decodes it once, scaled to the pixels it covers on screen, into a small
// cache that dies with the document's layout. Metafiles and the boxes that
// stand for objects are drawn the same way, through picture::render.

#include <QCache>
#include <QObject>
#include <QPixmap>
#include <QTextObjectInterface>

class QTextDocument;

class PictureHandler : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    // Puts a handler on the document's current layout, and on every layout
    // the document is given later. Safe to call again for the same document.
    static void install(QTextDocument *doc);

    // The handler drawing doc's pictures, or null when none is installed.
    static PictureHandler *of(const QTextDocument *doc);

    QSizeF intrinsicSize(QTextDocument *doc, int posInDocument, const QTextFormat &format) override;
    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *doc, int posInDocument,
                    const QTextFormat &format) override;

    // How many times a picture was decoded: once per picture and shown size.
    int decodes() const { return m_decodes; }

private:
    explicit PictureHandler(QObject *layout);
    QPixmap scaled(QTextDocument *doc, const QString &name, const QSize &pixels);

    QCache<QString, QPixmap> m_cache;
    int m_decodes = 0;
};
