#pragma once

#include "bank/ToneloomDoc.h"

#include <QStringList>
#include <vector>

class CCollectingReporter;

// The commands of toneloom-cli that work on bank files.
namespace cli {

int runNamesCommand(const QStringList& args);
int runInfoCommand(const QStringList& args);
int runCheckCommand(const QStringList& args);
int runConvertCommand(const QStringList& args);

// Opens FILE as the bank window does. Returns false (with the message printed) when
// the file cannot be read or holds no record at all. Where runs is given, the runs of
// records the file carried are appended.
bool openBank(CToneloomDoc& doc, CCollectingReporter& reporter, const QString& path,
              std::vector<CToneloomDoc::Run>* runs = nullptr);

} // namespace cli
