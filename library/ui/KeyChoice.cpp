#include "library/ui/KeyChoice.h"

#include <QComboBox>
#include <QSignalBlocker>

CKeyChoice::CKeyChoice(const CLibraryDocument::KeyNames& names, QComboBox* group, QComboBox* key, QObject* parent)
    : QObject(parent), m_names(names), m_group(group), m_key(key)
{
    for (int g = 0; g < clb::kGroupCount; ++g)
        m_group->addItem(m_names[static_cast<std::size_t>(g * clb::kSlotsPerGroup)]);
    m_group->setCurrentIndex(0);
    fillKeys(0);
    m_key->setCurrentIndex(0);
    updateKeyEnabled();
    connect(m_group, &QComboBox::activated, this, [this](int g) {
        setGroup(g);
        emit groupChosen(g);
    });
    connect(m_key, &QComboBox::activated, this, [this] { m_untouched = -1; });
}

void CKeyChoice::fillKeys(int group)
{
    const QSignalBlocker blocker(m_key);
    m_key->clear();
    for (int p = 0; p < clb::kKeysPerGroup; ++p)
        m_key->addItem(m_names[static_cast<std::size_t>(clb::keyNumber(group, p))]);
}

void CKeyChoice::setKey(int key)
{
    key &= 0xFF;
    const int g = clb::keyGroup(key);
    {
        const QSignalBlocker blocker(m_group);
        m_group->setCurrentIndex(g);
    }
    fillKeys(g);
    // A key number that names a group itself has no row: nothing is shown.
    m_key->setCurrentIndex(clb::keyPosition(key));
    m_untouched = key;
    updateKeyEnabled();
}

void CKeyChoice::setGroup(int group)
{
    {
        const QSignalBlocker blocker(m_group);
        m_group->setCurrentIndex(group);
    }
    fillKeys(group);
    m_key->setCurrentIndex(0);
    m_untouched = -1;
    updateKeyEnabled();
}

int CKeyChoice::group() const
{
    return std::max(0, m_group->currentIndex());
}

int CKeyChoice::key() const
{
    if (m_untouched >= 0)
        return m_untouched;
    return clb::keyNumber(group(), std::max(0, m_key->currentIndex()));
}

void CKeyChoice::setEnabled(bool on)
{
    m_enabled = on;
    m_group->setEnabled(on);
    updateKeyEnabled();
}

void CKeyChoice::updateKeyEnabled()
{
    m_key->setEnabled(m_enabled && group() != 0);
}
