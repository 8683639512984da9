#pragma once

#include "core/vocab/object_names.h"
#include "shell/objects/object_records.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace conversion {

// The one writer of the markup vocabulary: managed objects as the markup a message body
// carries, and the replace comments beside them. Every text that comes from a record or a
// caller is escaped for where it stands. Producers take the document's object-name
// counters: a number of 0 draws the kind's next number.
class html_generator {
public:
    virtual ~html_generator() = default;

    virtual std::string produceClicktoItem(const shell::clickto_record& record, std::string_view colour,
        std::int32_t number, bool alternative_text, std::string_view border, core::object_name_counters& counters) const;
    // With the show-size flag the size of the record's file follows the item in a replace
    // comment that keeps the pull-size placeholder of the record's name.
    virtual std::string producePullfileItem(const shell::pullfile_record& record, std::string_view colour,
        std::int32_t number, bool alternative_text, std::string_view border, core::object_name_counters& counters) const;
    // The colour is not used: a picture has no link.
    virtual std::string producePictureItem(const shell::picture_record& record, std::string_view colour,
        std::int32_t number, bool alternative_text, std::string_view border, core::object_name_counters& counters) const;
    virtual std::string produceReplaceComment(std::string_view shown, std::string_view kept) const;
    virtual void refreshReplaceComments(std::string& body, const std::optional<std::string>& pull_folder) const;
    // An optional link around an optional picture and a text.
    virtual std::string produceLinkedItem(std::string_view href, std::string_view colour, std::string_view image,
        std::string_view alt, std::string_view text, std::string_view id, bool alternative_text,
        std::string_view border) const = 0;
};

class default_html_generator : public html_generator {
public:
    std::string produceLinkedItem(std::string_view href, std::string_view colour, std::string_view image,
        std::string_view alt, std::string_view text, std::string_view id, bool alternative_text,
        std::string_view border) const override;
};

// The process's one generator, made on first use.
const html_generator& get_default_html_generator();

}
