#include "ftp/PageUpload.h"

#include "core/RankholdError.h"

struct PageUploader::Private {
};

PageUploader::PageUploader(QTimer &, CommandHost &) : d(std::make_unique<Private>()) {}
PageUploader::~PageUploader() = default;

bool PageUploader::upload(const Settings &, const QString &)
{
    throw RankholdError(QStringLiteral("The upload is not built yet"));
}

bool PageUploader::isBusy() const
{
    return false;
}
