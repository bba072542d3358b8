#pragma once

#include "model/SynthSettings.h"

#include <QByteArray>
#include <QString>
#include <vector>

// Library patches out to files: a bank of the patches from slot 1 on in a model's
// layout, or one file per patch holding it as the synthesizer's temporary patch.
namespace libexport {

constexpr int kBankPatches = 128;

// The bytes of a bank file that holds patches (645-byte images, at most 128) in slots
// 1, 2, ... in the layout of model, addressed to user memory; nothing else.
QByteArray bankBytes(const std::vector<QByteArray>& patches, SynthModel model);
// One patch as the temporary patch, for a file of its own.
QByteArray singlePatchBytes(const QByteArray& patch, std::uint8_t deviceId = SynthSettings::kDefaultDeviceId);
// "012 Warm Pad.syx": the entry's number and its name, characters that file systems
// refuse replaced by '_'.
QString singleFileName(int number, const QByteArray& name);
// Every file export writes goes through here: the whole file or, after an error, the
// old one as it was. False with the cause in error.
bool writeFile(const QString& path, const QByteArray& bytes, QString* error);

} // namespace libexport
