#include "presenter/VimoForm.h"
#include "presenter/Resource.h"

#include <gtest/gtest.h>

#include <functional>

namespace vimo::test {

namespace {

VimoInfo record(bool web = false)
{
    VimoInfo info;
    info.id = u"d1";
    info.name = u"my vimo";
    info.desc = u"A Vimo";
    info.width = 400;
    info.height = 300;
    info.url = web ? u"http://web.example/Path/index.html" : u"http://template/index.vimo";
    info.requiresInvitation = true;
    info.isDhtml = web;
    return info;
}

} // namespace

TEST(VimoFormTest, ReadsOnlyUnsignedNumbersWithBlanksAround)
{
    const struct
    {
        std::u16string text;
        std::optional<std::uint32_t> number;
    } cases[] = {
        {u" \t640\t ", 640u},   {u"0", 0u},
        {u"-5", std::nullopt},  {u"", std::nullopt},
        {u"39O", std::nullopt}, {u"99999999999", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VimoForm::parseUnsigned(c.text), c.number);
    }
    // The read stops at the width: a bad height is named only once the width is a number.
    FormFields fields = VimoForm::fromRecord(record()).fields();
    fields.width = u"4O";
    fields.height = u"x";
    EXPECT_EQ(VimoForm::read(fields).unreadable, FormField::Width);
    fields.width = u"40";
    EXPECT_EQ(VimoForm::read(fields).unreadable, FormField::Height);
}

TEST(VimoFormTest, EveryPropertyCountsAsAChangeLetterCaseIncluded)
{
    const struct
    {
        const char* what;
        bool web;
        std::function<void(VimoForm&)> edit;
        bool changed;
    } cases[] = {
        {"nothing", false, [](VimoForm&) {}, false},
        {"name", false, [](VimoForm& f) { f.name = u"other"; }, true},
        {"name's letter case", false, [](VimoForm& f) { f.name = u"My Vimo"; }, true},
        {"description", false, [](VimoForm& f) { f.description = u"A vimo"; }, true},
        {"width", false, [](VimoForm& f) { f.width = 401; }, true},
        {"height", false, [](VimoForm& f) { f.height = 301; }, true},
        {"interactive", false, [](VimoForm& f) { f.interactive = false; }, true},
        {"kind", false, [](VimoForm& f) { f.web = true; }, true},
        {"local address", false, [](VimoForm& f) { f.mainFileUrl = u"http://x/"; }, false},
        {"web address", true, [](VimoForm& f) { f.mainFileUrl = u"http://x/"; }, true},
        {"web address's letter case", true,
         [](VimoForm& f) { f.mainFileUrl = u"http://web.example/path/index.html"; }, true},
    };
    for (const auto& c : cases) {
        VimoForm form = VimoForm::fromRecord(record(c.web));
        c.edit(form);
        EXPECT_EQ(form.differsFrom(record(c.web)), c.changed) << c.what;
    }
}

TEST(VimoFormTest, ValidationChecksNameThenWidthThenHeight)
{
    const struct
    {
        std::u16string name;
        std::uint32_t width, height;
        std::optional<FormField> field;
        int message;
    } cases[] = {
        {u"   ", 0, 0, FormField::Name, res::IDS_NAME_EMPTY},
        {u"A", 0, 0, FormField::Width, res::IDS_WIDTH_RANGE},
        {u"A", 1025, 300, FormField::Width, res::IDS_WIDTH_RANGE},
        {u"A", 400, 0, FormField::Height, res::IDS_HEIGHT_RANGE},
        {u"A", 400, 769, FormField::Height, res::IDS_HEIGHT_RANGE},
        {u"A", 1, 768, std::nullopt, 0},
        {u"A", 1024, 1, std::nullopt, 0},
    };
    for (const auto& c : cases) {
        VimoForm form;
        form.name = c.name;
        form.width = c.width;
        form.height = c.height;
        const auto problem = form.validate();
        ASSERT_EQ(problem.has_value(), c.field.has_value()) << c.width << "x" << c.height;
        if (problem) {
            EXPECT_EQ(problem->field, *c.field);
            EXPECT_EQ(problem->messageId, c.message);
        }
    }
}

TEST(VimoFormTest, RecordTakesEveryPropertyAndTheTemplateForALocalVimo)
{
    VimoForm form = VimoForm::fromRecord(record());
    EXPECT_EQ(form.mainFileUrl, u"http://"); // a local Vimo shows no address of its own
    EXPECT_TRUE(form.interactive);
    form.name = u"  Spaced  ";
    ASSERT_FALSE(form.validate());
    form.interactive = false;
    form.width = 0; // never valid in the window; stored as 500 should it get through
    VimoInfo local = form.toRecord(record(), u"http://template/new.vimo");
    EXPECT_EQ(local.name, u"Spaced");
    EXPECT_EQ(local.url, u"http://template/new.vimo");
    EXPECT_EQ(local.width, 500);
    EXPECT_FALSE(local.requiresInvitation);
    EXPECT_FALSE(local.isDhtml);
    EXPECT_TRUE(local.isDev);

    form.web = true;
    form.interactive = true;
    form.mainFileUrl = u"http://web.example/main.html";
    const VimoInfo web = form.toRecord(record(), u"http://template/new.vimo");
    EXPECT_TRUE(web.isDhtml);
    EXPECT_TRUE(web.requiresInvitation);
    EXPECT_EQ(web.url, u"http://web.example/main.html");
}

} // namespace vimo::test
