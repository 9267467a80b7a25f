#include "cli/StoreAccess.h"

namespace zarn::cli {

void requireOk(const StoreResult& result)
{
    if (result.ok)
        return;
    refuse(result.detail.empty() ? result.message : result.message + "\n" + result.detail);
}

ResourceStore openStore(const std::string& path, std::optional<LockMode> mode)
{
    ResourceStore store;
    requireOk(store.openResourceFile(path));
    if (mode)
        requireOk(store.hold(*mode));
    return store;
}

} // namespace zarn::cli
