#pragma once

#include "workspace/VimoWorkspace.h"

#include <string>
#include <vector>

namespace vimo {

// The outcome of one check before an upload.
struct CheckResult
{
    std::string check;   // a short key: "catalogue", "name", "width", "links", ...
    std::u16string file; // the file or folder it concerns, below the service folder when there
    bool passed = false;
    std::string sentence; // what was found, in plain words
};

// The checks `vimoctl check` runs on a Vimo before an upload.
class UploadChecks
{
public:
    explicit UploadChecks(const VimoWorkspace& workspace);

    std::vector<CheckResult> run(const VimoInfo& info) const;

private:
    void checkCatalogueFile(const VimoInfo& info, std::vector<CheckResult>& results) const;
    void checkRecord(const VimoInfo& info, std::vector<CheckResult>& results) const;
    void checkFolders(const VimoInfo& info, std::vector<CheckResult>& results) const;
    void checkFiles(const VimoInfo& info, std::vector<CheckResult>& results) const;
    void checkLinks(const VimoInfo& info, std::vector<CheckResult>& results) const;
    void checkIdentifier(const VimoInfo& info, std::vector<CheckResult>& results) const;

    const VimoWorkspace& m_workspace;
};

} // namespace vimo
