#pragma once

#include <QStringList>
#include <QWidget>

class QAbstractButton;
class QButtonGroup;
class QVBoxLayout;

// The tabs of an editor in rows, every tab always in sight: an editor has more tabs
// than fit one row. Each row spreads its tabs over the whole width.
class CMultiRowTabBar : public QWidget
{
    Q_OBJECT

public:
    // The tabs are spread over rows rows, in order.
    CMultiRowTabBar(const QStringList& texts, int rows, QWidget* parent = nullptr);

    int count() const { return static_cast<int>(m_texts.size()); }
    QString tabText(int index) const { return m_texts.value(index); }
    int currentIndex() const { return m_current; }
    // Selects a tab; currentChanged follows when the tab changes.
    void setCurrentIndex(int index);
    QAbstractButton* tabButton(int index) const;

signals:
    void currentChanged(int index);

private:
    QStringList m_texts;
    QButtonGroup* m_group;
    int m_current = -1;
};
