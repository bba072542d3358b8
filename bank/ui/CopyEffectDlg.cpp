#include "bank/ui/CopyEffectDlg.h"

#include "bank/ToneloomDoc.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>

namespace {

const QStringList kKinds = {QStringLiteral("PATCH"), QStringLiteral("PERFORMANCE")};

} // namespace

CCopyEffectDlg::CCopyEffectDlg(const CToneloomDoc& document, QWidget* parent) : QDialog(parent), m_document(document)
{
    setWindowTitle(QStringLiteral("Copy Effect"));
    const auto combo = [this] {
        auto* box = new QComboBox(this);
        box->setMaxVisibleItems(16);
        return box;
    };
    m_sourceKind = combo();
    m_sourceItem = combo();
    m_destKind = combo();
    m_destItem = combo();
    m_type = combo();
    m_sourceKind->addItems(kKinds);
    m_destKind->addItems(kKinds);
    m_destKind->setCurrentIndex(kindNumber(ItemKind::Performances));
    m_type->addItems(CBankOperations::effectCopyTexts());
    fillItems(m_sourceItem, sourceKind());
    fillItems(m_destItem, destKind());
    connect(m_sourceKind, &QComboBox::currentIndexChanged, this,
            [this](int row) { fillItems(m_sourceItem, kindAt(row)); });
    connect(m_destKind, &QComboBox::currentIndexChanged, this, [this](int row) { fillItems(m_destItem, kindAt(row)); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("&OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("&Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QFormLayout(this);
    layout->addRow(QStringLiteral("Source:"), m_sourceKind);
    layout->addRow(QString(), m_sourceItem);
    layout->addRow(QStringLiteral("Destination:"), m_destKind);
    layout->addRow(QString(), m_destItem);
    layout->addRow(QStringLiteral("Copy:"), m_type);
    layout->addRow(buttons);
}

ItemKind CCopyEffectDlg::kindAt(int row)
{
    return itemKindOf(row).value_or(ItemKind::Patches);
}

void CCopyEffectDlg::fillItems(QComboBox* items, ItemKind kind)
{
    items->clear();
    const CRecordArray& records = m_document.array(kind);
    for (int i = 0; i < records.GetCount(); ++i)
        items->addItem(QStringLiteral("%1: %2").arg(i + 1).arg(records.name(i)));
    items->setCurrentIndex(0);
}

ItemKind CCopyEffectDlg::sourceKind() const
{
    return kindAt(m_sourceKind->currentIndex());
}

int CCopyEffectDlg::sourceIndex() const
{
    return m_sourceItem->currentIndex();
}

ItemKind CCopyEffectDlg::destKind() const
{
    return kindAt(m_destKind->currentIndex());
}

int CCopyEffectDlg::destIndex() const
{
    return m_destItem->currentIndex();
}

CBankOperations::EffectCopy CCopyEffectDlg::copyType() const
{
    return static_cast<CBankOperations::EffectCopy>(m_type->currentIndex());
}
