// The check of the archive tool's technical listing ("7z l -slt"), which decides
// before anything is written whether a package's paths, sizes and number of entries
// are acceptable. The input is the tool's output.
#include "FuzzSupport.h"

#include "upgrade/Zip7z.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    fuzzsupport::start();
    const QString listing = QString::fromLocal8Bit(reinterpret_cast<const char *>(data), int(size));
    QString error;
    const bool accepted = Zip7z::checkListing(listing, &error);
    // A refusal always says why.
    if (!accepted && error.isEmpty())
        std::abort();
    // Each line's path is also judged alone, as the listing check judges it.
    for (const QString &line : listing.split(QLatin1Char('\n')))
        Zip7z::unsafeEntry(line.trimmed());
    return 0;
}
