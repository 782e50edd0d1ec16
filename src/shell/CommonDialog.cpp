#include "shell/CommonDialog.h"

#include "shell/DialogHost.h"
#include "shell/Twips.h"

#include <QPrinter>

CommonDialog::CommonDialog(QWidget *owner, DialogHost *host)
    : m_owner(owner), m_host(host)
{
}

CommonDialog::~CommonDialog() = default;

QStringList CommonDialog::nameFilters(const QString &filter)
{
    QStringList out;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString &p : patterns) {
            p = p.trimmed();
            // "*.*" means every file; on Linux it would skip names without a dot.
            if (p == QLatin1String("*.*"))
                p = QStringLiteral("*");
        }
        out << QStringLiteral("%1 (%2)").arg(parts.at(i), patterns.join(QLatin1Char(' ')));
    }
    return out;
}

CommonDialog::Outcome CommonDialog::finish(bool accepted)
{
    return accepted ? Accepted : Cancelled;
}

CommonDialog::Outcome CommonDialog::showFile(bool saving)
{
    // Results change only on OK, so a cancel leaves the last choice alone.
    int index = FilterIndex;
    QString name = FileName;
    const QStringList filters = nameFilters(Filter);
    const bool ok = saving ? m_host->saveFile(m_owner, filters, InitDir, index, name)
                           : m_host->openFile(m_owner, filters, InitDir, index, name);
    if (ok) {
        FilterIndex = index;
        FileName = name;
    }
    return finish(ok);
}

CommonDialog::Outcome CommonDialog::ShowOpen()
{
    Action = OpenAction;
    return showFile(false);
}

CommonDialog::Outcome CommonDialog::ShowSave()
{
    Action = SaveAction;
    return showFile(true);
}

CommonDialog::Outcome CommonDialog::ShowColor()
{
    Action = ColorAction;
    QColor c = colorFromBgr(Color);
    const bool ok = m_host->color(m_owner, c);
    if (ok)
        Color = bgrFromColor(c);
    return finish(ok);
}

CommonDialog::Outcome CommonDialog::ShowFont()
{
    Action = FontAction;
    QFont f;
    if (!FontName.isEmpty())
        f.setFamilies({FontName});
    if (FontSize > 0)
        f.setPointSizeF(FontSize);
    f.setBold(FontBold);
    f.setItalic(FontItalic);
    f.setUnderline(FontUnderline);
    f.setStrikeOut(FontStrikethru);
    QColor c = colorFromBgr(Color);
    const bool ok = m_host->font(m_owner, f, c, Flags);
    if (ok) {
        const QStringList fam = f.families();
        FontName = fam.isEmpty() ? f.family() : fam.first();
        FontSize = float(f.pointSizeF());
        FontBold = f.bold();
        FontItalic = f.italic();
        FontUnderline = f.underline();
        FontStrikethru = f.strikeOut();
        Color = bgrFromColor(c);
    }
    return finish(ok);
}

QPrinter &CommonDialog::Printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

CommonDialog::Outcome CommonDialog::ShowPrinter()
{
    Action = PrinterAction;
    return finish(m_host->printer(m_owner, Printer(), Flags));
}

CommonDialog::Outcome CommonDialog::SetAction(int action)
{
    switch (action) {
    case OpenAction: return ShowOpen();
    case SaveAction: return ShowSave();
    case ColorAction: return ShowColor();
    case FontAction: return ShowFont();
    case PrinterAction: return ShowPrinter();
    default:
        Action = action;
        return Accepted;
    }
}
