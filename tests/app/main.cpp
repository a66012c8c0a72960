#include "AppTests.h"

#include <QApplication>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

// Runs every test class, or the one named as the first argument (the rest goes to Qt Test).
int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    std::vector<std::unique_ptr<QObject>> suites;
    suites.emplace_back(new vimo::test::StartupTest);
    suites.emplace_back(new vimo::test::FormTest);
    suites.emplace_back(new vimo::test::CommandsTest);
    suites.emplace_back(new vimo::test::ImportDialogTest);
    suites.emplace_back(new vimo::test::HyperLinkTest);
    suites.emplace_back(new vimo::test::DemoTest);

    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> rest{argv[0]};
    for (int i = only ? 2 : 1; i < argc; ++i) {
        rest.push_back(argv[i]);
    }
    int failures = 0;
    for (const auto& suite : suites) {
        if (!only || std::strcmp(suite->metaObject()->className() + std::strlen("vimo::test::"),
                                 only) == 0) {
            failures += QTest::qExec(suite.get(), static_cast<int>(rest.size()), rest.data());
        }
    }
    return failures;
}
