#include "model/PatchArray.h"

CPatchArray::CPatchArray() : CRecordArray(recordLayout(ItemKind::Patches))
{
    Q_ASSERT(layout().recordSize() == kRecordSize && layout().count == kCount);
    initialiseAll();
}
