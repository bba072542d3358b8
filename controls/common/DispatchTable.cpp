#include "controls/common/DispatchTable.h"

const DispatchMember* CDispatchTable::find(int id, bool event) const
{
    for (const DispatchMember& member : m_members) {
        if (member.id == id && (member.kind == DispatchKind::Event) == event)
            return &member;
    }
    return nullptr;
}
