#include "model/RhythmArray.h"

CRhythmArray::CRhythmArray() : CRecordArray(recordLayout(ItemKind::RhythmSets))
{
    Q_ASSERT(layout().recordSize() == kRecordSize && layout().count == kCount);
    initialiseAll();
}
