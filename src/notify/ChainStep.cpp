#include "notify/ChainStep.h"

using namespace Qt::StringLiterals;

QString stepKey(ChainStep step)
{
    switch (step) {
    case ChainStep::GameHost:
        return u"game host"_s;
    case ChainStep::Import:
        return u"import"_s;
    case ChainStep::Export:
        return u"export"_s;
    case ChainStep::Upload:
        return u"upload"_s;
    case ChainStep::Archive:
        return u"archive"_s;
    }
    return {};
}

QString failureTitle(ChainStep step)
{
    switch (step) {
    case ChainStep::GameHost:
        return u"The game host cannot be reached"_s;
    case ChainStep::Import:
        return u"Import failed"_s;
    case ChainStep::Export:
        return u"Export failed"_s;
    case ChainStep::Upload:
        return u"Upload failed"_s;
    case ChainStep::Archive:
        return u"Score file cannot be archived"_s;
    }
    return {};
}

QString mendText(ChainStep step)
{
    switch (step) {
    case ChainStep::GameHost:
        return u"the game host can be reached again"_s;
    case ChainStep::Import:
        return u"score files import again"_s;
    case ChainStep::Export:
        return u"exports work again"_s;
    case ChainStep::Upload:
        return u"uploads work again"_s;
    case ChainStep::Archive:
        return u"score files are archived again"_s;
    }
    return {};
}
