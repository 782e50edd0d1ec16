#include "format/FontEffectsDialog.h"

#include "shell/DialogHost.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFontInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QVBoxLayout>

#include <climits>

namespace {

struct NamedColour { const char *name; QRgb rgb; };

// The sixteen colours the effects box offers.
constexpr NamedColour kClassic[] = {
    {"Black", qRgb(0, 0, 0)},         {"Maroon", qRgb(128, 0, 0)},
    {"Green", qRgb(0, 128, 0)},       {"Olive", qRgb(128, 128, 0)},
    {"Navy", qRgb(0, 0, 128)},        {"Purple", qRgb(128, 0, 128)},
    {"Teal", qRgb(0, 128, 128)},      {"Gray", qRgb(128, 128, 128)},
    {"Silver", qRgb(192, 192, 192)},  {"Red", qRgb(255, 0, 0)},
    {"Lime", qRgb(0, 255, 0)},        {"Yellow", qRgb(255, 255, 0)},
    {"Blue", qRgb(0, 0, 255)},        {"Fuchsia", qRgb(255, 0, 255)},
    {"Aqua", qRgb(0, 255, 255)},      {"White", qRgb(255, 255, 255)},
};

QIcon swatch(const QColor &c)
{
    QPixmap px(24, 12);
    px.fill(c);
    return QIcon(px);
}

// Qt's picker keeps strike-through and underline in a group box of its own;
// the colour belongs beside them.
QGroupBox *effectsBox(QFontDialog *picker)
{
    const QList<QGroupBox *> boxes = picker->findChildren<QGroupBox *>();
    for (QGroupBox *box : boxes)
        if (!box->findChildren<QCheckBox *>().isEmpty())
            return box;
    return nullptr;
}

// The sample line of the picker, to show the chosen colour in.
QLineEdit *sampleLine(QFontDialog *picker)
{
    if (auto *named = picker->findChild<QLineEdit *>(QStringLiteral("qt_fontDialog_sampleEdit")))
        return named;
    const QList<QLineEdit *> lines = picker->findChildren<QLineEdit *>();
    for (QLineEdit *line : lines)
        if (qobject_cast<QGroupBox *>(line->parentWidget()))
            return line;
    return nullptr;
}

// Qt's picker selects the style named like the font's style name and falls
// back to the first in its list (on some faces "Condensed Italic"), so OK
// without a touch would change the style. Name the face's own style that
// matches the font's weight and slant instead.
QFont withStyleName(QFont font)
{
    if (!font.styleName().isEmpty())
        return font;
    const QString family = QFontInfo(font).family();
    static const QStringList widths = {QStringLiteral("condensed"), QStringLiteral("narrow"),
                                       QStringLiteral("expanded"), QStringLiteral("extended")};
    QString best;
    int bestScore = INT_MAX;
    const QStringList styles = QFontDatabase::styles(family);
    for (const QString &style : styles) {
        const QFont candidate = QFontDatabase::font(family, style, 12);
        if (candidate.italic() != font.italic())
            continue;
        int score = qAbs(candidate.weight() - font.weight()) * 100;
        for (const QString &w : widths)
            if (style.contains(w, Qt::CaseInsensitive))
                score += 50;
        score += int(style.size());
        if (score < bestScore) {
            bestScore = score;
            best = style;
        }
    }
    if (!best.isEmpty()) {
        font.setFamilies({family});
        font.setStyleName(best);
    }
    return font;
}

} // namespace

FontEffectsDialog::FontEffectsDialog(const QFont &initial, const QColor &colour, int flags,
                                     QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FontDialog"));
    setWindowTitle(QStringLiteral("Font"));

    // Qt's font dialog as a plain widget inside this one, without its own
    // buttons: this dialog's OK and Cancel decide.
    m_picker = new QFontDialog(this);
    m_picker->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    m_picker->setWindowFlags(Qt::Widget);
    m_picker->setCurrentFont(withStyleName(initial));
    m_picker->setVisible(true);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_picker);

    const bool effects = flags & cdl::CFEffects;
    QGroupBox *box = effectsBox(m_picker);
    if (effects) {
        m_colour = new QComboBox;
        m_colour->setObjectName(QStringLiteral("colour"));
        int selected = -1;
        for (const NamedColour &nc : kClassic) {
            m_colour->addItem(swatch(QColor(nc.rgb)), QString::fromLatin1(nc.name),
                              QColor(nc.rgb));
            if (QColor(nc.rgb) == colour.toRgb())
                selected = m_colour->count() - 1;
        }
        if (selected < 0 && colour.isValid()) {
            // A colour from elsewhere (the colour dialog) is kept as offered.
            m_colour->addItem(swatch(colour), QStringLiteral("Custom"), colour);
            selected = m_colour->count() - 1;
        }
        m_colour->setCurrentIndex(qMax(0, selected));

        auto *row = new QHBoxLayout;
        auto *label = new QLabel(QStringLiteral("&Color:"));
        label->setBuddy(m_colour);
        row->addWidget(label);
        row->addWidget(m_colour, 1);
        if (box && box->layout())
            if (auto *boxLayout = qobject_cast<QBoxLayout *>(box->layout()))
                boxLayout->addLayout(row);
        if (!row->parent())
            layout->addLayout(row);
        connect(m_colour, &QComboBox::currentIndexChanged, this,
                &FontEffectsDialog::showSampleColour);
        showSampleColour();
    } else if (box) {
        // The sample shares the effects' row; keep the row as tall.
        const int rowHeight = box->sizeHint().height();
        box->hide();
        if (QLineEdit *sample = sampleLine(m_picker))
            if (QWidget *sampleBox = sample->parentWidget())
                sampleBox->setMinimumHeight(rowHeight);
    }

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QFont FontEffectsDialog::selectedFont() const
{
    return m_picker->currentFont();
}

QColor FontEffectsDialog::selectedColor() const
{
    if (!m_colour)
        return QColor();
    return m_colour->currentData().value<QColor>();
}

void FontEffectsDialog::showSampleColour()
{
    QLineEdit *sample = sampleLine(m_picker);
    if (!sample)
        return;
    QPalette pal = sample->palette();
    pal.setColor(QPalette::Text, selectedColor());
    sample->setPalette(pal);
}
