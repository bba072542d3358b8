// The rows of the rhythm set common block: its name.

#include "model/ParamRows.h"

namespace params::rowdata {

void buildRhythmCommon(std::vector<Param>& r)
{
    Builder b(r, Block::RhythmCommon);
    b.name(QStringLiteral("rhythm.name"), QStringLiteral("Name"));
}

} // namespace params::rowdata
