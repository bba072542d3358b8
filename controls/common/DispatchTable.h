#pragma once

#include <QtCore/QObject>

#include <span>

// A control's dispatch members by number: properties and methods share one numbering,
// events have their own. Hosts address a control by these numbers only; the names are
// the Qt property, slot and signal names of the control.
enum class DispatchKind { Property, Method, Event };

struct DispatchMember
{
    int id;
    DispatchKind kind;
    const char* name;
};

// Stock members keep their fixed negative numbers.
namespace DispatchId {
inline constexpr int kBackColor = -501;
inline constexpr int kFont = -512;
inline constexpr int kForeColor = -513;
inline constexpr int kCaption = -518;
inline constexpr int kAboutBox = -552;
} // namespace DispatchId

class CDispatchTable
{
public:
    constexpr explicit CDispatchTable(std::span<const DispatchMember> members) : m_members(members) {}

    std::span<const DispatchMember> members() const { return m_members; }

    // Properties and methods are looked up together, events apart.
    const DispatchMember* find(int id, bool event) const;

private:
    std::span<const DispatchMember> m_members;
};

// Implemented by every control so that a host holding only a QObject can reach the
// table; qobject_cast works across module boundaries through the interface name.
class IDispatchable
{
public:
    virtual ~IDispatchable() = default;
    virtual const CDispatchTable& dispatchTable() const = 0;
};

#define IDispatchable_iid "org.toneloom.IDispatchable/1.0"
Q_DECLARE_INTERFACE(IDispatchable, IDispatchable_iid)
