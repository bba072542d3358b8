#include "editors/MultiRowTabBar.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

CMultiRowTabBar::CMultiRowTabBar(const QStringList& texts, int rows, QWidget* parent)
    : QWidget(parent), m_texts(texts), m_group(new QButtonGroup(this))
{
    m_group->setExclusive(true);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    rows = std::max(rows, 1);
    const int perRow = (count() + rows - 1) / rows;
    QHBoxLayout* row = nullptr;
    for (int i = 0; i < count(); ++i) {
        if (i % perRow == 0) {
            row = new QHBoxLayout;
            row->setSpacing(2);
            column->addLayout(row);
        }
        auto* button = new QToolButton(this);
        // A tab's text is never a mnemonic ("Chorus / Reverb", "Pan / Output").
        button->setText(QString(m_texts.at(i)).replace(QLatin1Char('&'), QStringLiteral("&&")));
        button->setCheckable(true);
        button->setFocusPolicy(Qt::TabFocus);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        button->setAccessibleName(m_texts.at(i));
        m_group->addButton(button, i);
        row->addWidget(button);
    }
    connect(m_group, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        // The shown tab stands out.
        QAbstractButton* button = m_group->button(id);
        QFont font = button->font();
        font.setBold(checked);
        button->setFont(font);
        if (checked && id != m_current) {
            m_current = id;
            emit currentChanged(id);
        }
    });
}

void CMultiRowTabBar::setCurrentIndex(int index)
{
    if (QAbstractButton* button = m_group->button(index))
        button->setChecked(true);
}

QAbstractButton* CMultiRowTabBar::tabButton(int index) const
{
    return m_group->button(index);
}
