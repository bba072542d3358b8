#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Whether the shared libraries a program needs are on this system. The program's own
// libraries (Qt, RtMidi) come from the distribution, so a missing one is named before
// anything is installed.
class CLibraryCheck
{
public:
    // The libraries the dynamic loader could not find for program, in the order it
    // lists them; nullopt when the system cannot tell (no loader listing, or program is
    // not a dynamically linked program of this system).
    static std::optional<QStringList> missingLibraries(const QString& program);
    // The libraries marked "not found" in the loader's listing.
    static QStringList missingFromListing(const QString& listing);
};
