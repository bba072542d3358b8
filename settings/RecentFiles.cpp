#include "settings/RecentFiles.h"

#include "settings/IniFile.h"

#include <QFileInfo>

namespace {

QString keyOf(int n)
{
    return QStringLiteral("File%1").arg(n);
}

} // namespace

CRecentFiles::CRecentFiles(CIniFile& ini) : m_ini(ini)
{
    const QString section = QString::fromLatin1(kSection);
    for (int i = 1; i <= kCount; ++i) {
        const QString path = m_ini.readString(section, keyOf(i));
        if (!path.isEmpty() && !m_files.contains(path))
            m_files << path;
    }
}

void CRecentFiles::add(const QString& path)
{
    if (path.isEmpty())
        return;
    const QString full = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(full);
    m_files.prepend(full);
    while (m_files.size() > kCount)
        m_files.removeLast();
    write();
}

void CRecentFiles::remove(const QString& path)
{
    if (m_files.removeAll(QFileInfo(path).absoluteFilePath()) + m_files.removeAll(path) > 0)
        write();
}

void CRecentFiles::write()
{
    const QString section = QString::fromLatin1(kSection);
    m_ini.beginBatch();
    for (int i = 0; i < kCount; ++i)
        m_ini.writeString(section, keyOf(i + 1), m_files.value(i));
    m_ini.endBatch();
}
