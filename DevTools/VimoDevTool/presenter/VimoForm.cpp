#include "presenter/VimoForm.h"

#include "platform/Text.h"
#include "presenter/Resource.h"
#include "workspace/RecordValidator.h"

#include <limits>

namespace vimo {

VimoForm VimoForm::fromRecord(const VimoInfo& record)
{
    VimoForm form;
    form.name = record.name;
    form.description = record.desc;
    form.width = static_cast<std::uint32_t>(record.width);
    form.height = static_cast<std::uint32_t>(record.height);
    form.interactive = record.requiresInvitation;
    form.web = record.isDhtml;
    form.mainFileUrl = record.isDhtml ? record.url : u"http://";
    return form;
}

std::optional<std::uint32_t> VimoForm::parseUnsigned(std::u16string_view text)
{
    const auto blank = [](char16_t c) { return c == u' ' || c == u'\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    std::uint64_t number = 0;
    for (const char16_t c : text) {
        if (c < u'0' || c > u'9') {
            return std::nullopt;
        }
        number = number * 10 + static_cast<std::uint64_t>(c - u'0');
        if (number > std::numeric_limits<std::uint32_t>::max()) {
            return std::nullopt;
        }
    }
    return static_cast<std::uint32_t>(number);
}

VimoForm::ReadBack VimoForm::read(const FormFields& fields)
{
    ReadBack result;
    VimoForm& form = result.form;
    form.name = fields.name;
    form.description = fields.description;
    form.interactive = fields.interactive;
    form.web = fields.web;
    form.mainFileUrl = fields.mainFileUrl;
    if (const auto width = parseUnsigned(fields.width)) {
        form.width = *width;
    } else {
        result.unreadable = FormField::Width;
        return result;
    }
    if (const auto height = parseUnsigned(fields.height)) {
        form.height = *height;
    } else {
        result.unreadable = FormField::Height;
    }
    return result;
}

FormFields VimoForm::fields() const
{
    return {name, description, toDecimal(width), toDecimal(height), interactive, web, mainFileUrl};
}

bool VimoForm::differsFrom(const VimoInfo& record) const
{
    return name != record.name || description != record.desc ||
           width != static_cast<std::uint32_t>(record.width) ||
           height != static_cast<std::uint32_t>(record.height) ||
           interactive != record.requiresInvitation || web != record.isDhtml ||
           (web && mainFileUrl != record.url);
}

std::optional<FormProblem> VimoForm::validate()
{
    name = RecordValidator::trimWhiteSpace(name);
    if (name.empty()) {
        return FormProblem{FormField::Name, res::IDS_NAME_EMPTY};
    }
    if (RecordValidator::widthProblem(width)) {
        return FormProblem{FormField::Width, res::IDS_WIDTH_RANGE};
    }
    if (RecordValidator::heightProblem(height)) {
        return FormProblem{FormField::Height, res::IDS_HEIGHT_RANGE};
    }
    return std::nullopt;
}

VimoInfo VimoForm::toRecord(const VimoInfo& stored, const std::u16string& localMainFileUrl) const
{
    VimoInfo updated = stored;
    updated.name = name;
    updated.desc = description;
    updated.width = static_cast<std::int32_t>(width == 0 ? 500 : width);
    updated.height = static_cast<std::int32_t>(height == 0 ? 500 : height);
    updated.requiresInvitation = interactive;
    updated.isDhtml = web;
    updated.isDev = true;
    updated.url = web ? mainFileUrl : localMainFileUrl;
    return updated;
}

} // namespace vimo
