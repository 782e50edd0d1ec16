#pragma once
// HTML export that is safe to open in a browser: only http, https, mailto,
// ftp and in-document (#) links stay links, face names and list number text
// cannot break out of their CSS string, and pictures are embedded as data:
// URIs.

#include <QByteArray>

class QTextDocument;

// Rewrites doc for export (links, faces, list text, pictures) and returns its HTML.
QByteArray safeHtml(QTextDocument *doc);
