#include "model/RhythmArray.h"

CRhythmArray::CRhythmArray() : CRecordArray(recordLayout(kRhythmSets))
{
    Q_ASSERT(layout().recordSize() == kRecordSize && layout().count == kCount);
    initialiseAll();
}
