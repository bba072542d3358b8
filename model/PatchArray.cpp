#include "model/PatchArray.h"

CPatchArray::CPatchArray() : CRecordArray(recordLayout(kPatches))
{
    Q_ASSERT(layout().recordSize() == kRecordSize && layout().count == kCount);
    initialiseAll();
}
