#pragma once

#include <functional>
#include <string>

#include "model/base/error.h"
#include "model/base/progress.h"
#include "model/rows/row_list_file.h"

namespace quorva::test {

// Open as the window uses it: whether the file was loaded, with what the
// window would show passed to `show` when it was not.
inline bool OpenShowing(TLineList& lines, TRowTable& rows, const std::string& fileName,
                        const std::function<void(const std::string&)>& show,
                        TProgress& progress = NoProgress(),
                        const TSystemResources& resources = SystemResources())
{
    try {
        OpenRowListFile(lines, rows, fileName, progress, resources);
        return true;
    } catch (const Cancelled&) {
        throw;
    } catch (const Error& refusal) {
        show(refusal.what());
        return false;
    }
}

} // namespace quorva::test
