#include "model/SynthSettings.h"

const char* modelName(SynthModel model)
{
    switch (model) {
    case SynthModel::Jv1080:
        return "JV-1080";
    case SynthModel::Jv2080:
        return "JV-2080";
    case SynthModel::Xp:
        return "XP";
    }
    return "?";
}
