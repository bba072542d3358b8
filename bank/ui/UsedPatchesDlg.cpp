#include "bank/ui/UsedPatchesDlg.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

namespace {

// Draws "label<tab>count" with the count in a column of its own.
class CTabStopDelegate : public QStyledItemDelegate
{
public:
    CTabStopDelegate(int tabStop, QObject* parent) : QStyledItemDelegate(parent), m_tabStop(tabStop) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString text = opt.text;
        opt.text.clear();
        // The background and selection without the text, which goes in two columns.
        const QStyle* style = opt.widget ? opt.widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, opt.widget);
        const QRect r = opt.rect.adjusted(3, 0, -3, 0);
        painter->save();
        painter->setPen(
            opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        const QString label = text.section(QLatin1Char('\t'), 0, 0);
        const QString count = text.section(QLatin1Char('\t'), 1);
        painter->drawText(r.adjusted(0, 0, -(r.width() - m_tabStop), 0), Qt::AlignVCenter | Qt::AlignLeft, label);
        painter->drawText(r.adjusted(m_tabStop, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, count);
        painter->restore();
    }

private:
    int m_tabStop;
};

constexpr int kTabStopChars = 30; // room for a group title and a 12-character name

} // namespace

CUsedPatchesDlg::CUsedPatchesDlg(CUsedPatches used, QWidget* parent)
    : QDialog(parent), m_used(std::move(used)), m_patches(new QListWidget(this)), m_performances(new QListWidget(this))
{
    setWindowTitle(QStringLiteral("Used Patches"));
    const int tabStop = QFontMetrics(font()).horizontalAdvance(QLatin1Char('x')) * kTabStopChars;
    m_patches->setItemDelegate(new CTabStopDelegate(tabStop, m_patches));
    m_patches->setMinimumWidth(tabStop + QFontMetrics(font()).horizontalAdvance(QStringLiteral("000 time(s) used"))
                               + 40);
    for (const CUsedPatches::Line& line : m_used.lines())
        m_patches->addItem(CUsedPatches::lineText(line));
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_patches, &QListWidget::currentRowChanged, this, &CUsedPatchesDlg::showPerformances);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Patches used in a Performance in the bank:"), this));
    layout->addWidget(m_patches, 2);
    layout->addWidget(new QLabel(QStringLiteral("Used in the following Performances:"), this));
    layout->addWidget(m_performances, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
    if (m_patches->count() > 0)
        m_patches->setCurrentRow(0);
}

void CUsedPatchesDlg::showPerformances()
{
    m_performances->clear();
    const QListWidgetItem* item = m_patches->currentItem();
    if (item)
        m_performances->addItems(m_used.performancesOf(item->text()));
}
