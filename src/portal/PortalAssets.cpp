#include "portal/PortalAssets.h"

#include "common/TextFiles.h"

using namespace Qt::StringLiterals;

namespace portal::assets {

QByteArray styleSheet()
{
    return readFileBytes(u":/portal/portal.css"_s);
}

QByteArray script()
{
    return readFileBytes(u":/portal/portal.js"_s);
}

} // namespace portal::assets
