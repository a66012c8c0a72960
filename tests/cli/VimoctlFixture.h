#pragma once

#include "VimoctlRunner.h"

#include "support/ConfigServer.h"
#include "support/Fixtures.h"
#include "workspace/VimoWorkspace.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vimo::test {

using Json = nlohmann::json;

// Exactly one JSON document; throws on anything else.
Json parseJson(const std::string& text);
VimoSpec vimo(const std::string& id, const std::string& name);
std::size_t lineCount(const std::string& text);
// A relative path as the tool prints it: with the system's separator.
std::string nativePath(const std::string& relative);
// The names of the checks that failed in an answer of check --json.
std::set<std::string> failedChecks(const Json& answer);
// The checks that fail for want of an archive engine: the size, which is measured on the
// archive, under Wine (where none can be had); none elsewhere.
std::set<std::string> checksWithoutEngine();

// Two Vimos under development (a local and a web one) and a published one, with files of every
// verdict in the local one.
void populate(InstallationFixture& install);

// The real vimoctl against a populated installation and the loopback configuration server.
class VimoctlTest : public ::testing::Test
{
protected:
    void SetUp() override;

    VimoctlResult run(const std::vector<std::string>& args) const { return runner.run(args); }

    // The same installation, driven in this process the way the window drives the model.
    struct Twin
    {
        InstallationFixture install;
        VimoWorkspace workspace{install.platform()};
    };
    std::unique_ptr<Twin> makeTwin() const;

    std::string catalogueText(const std::string& id) const;

    InstallationFixture install;
    ConfigServer server;
    VimoctlRunner runner;
};

} // namespace vimo::test
