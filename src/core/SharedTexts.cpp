#include "core/SharedTexts.h"

#ifndef LENSDESK_SUPPORT_SITE
#define LENSDESK_SUPPORT_SITE "https://www.orvia-vista.com"
#endif

QString supportSiteAddress()
{
    QString address = QStringLiteral(LENSDESK_SUPPORT_SITE);
    while (address.endsWith(QLatin1Char('/')))
        address.chop(1);
    return address;
}
