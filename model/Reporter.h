#pragma once

#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

// The icon a message is shown with; the GUI maps these onto message boxes.
enum class MessageIcon { Stop, Exclamation, Information };

// Where the core delivers the messages a user must see. The GUI shows each in a
// message box, the command-line tool prints it, tests capture it. The core never
// decides how a message is shown, only its text and icon.
class CReporter
{
public:
    virtual ~CReporter() = default;
    virtual void showMessage(MessageIcon icon, const QString& text) = 0;
};

// Keeps every message in order; used by the command-line tool and by tests.
class CCollectingReporter : public CReporter
{
public:
    void showMessage(MessageIcon icon, const QString& text) override { m_messages.emplace_back(icon, text); }
    const std::vector<std::pair<MessageIcon, QString>>& messages() const { return m_messages; }
    QStringList texts() const
    {
        QStringList list;
        for (const auto& m : m_messages)
            list << m.second;
        return list;
    }
    void clear() { m_messages.clear(); }

private:
    std::vector<std::pair<MessageIcon, QString>> m_messages;
};
