#pragma once

#include "shell/documents/body_scanner.h"

#include <string>
#include <vector>

namespace shell::testing {

// A dictionary that knows the objects it is given, adds what the scanner finds in the
// simplest way, and notes every call.
class recording_dictionary final : public BodyScanDictionary {
public:
    object_maps known;
    std::vector<std::string> calls;

    bool CopyPictureFromKnown(int, std::int32_t id, picture_map& target) override
    {
        return copy(known.pictures, id, target, "CopyPictureFromKnown");
    }
    bool CopyPictureBySourceFromKnown(int, std::string_view source, picture_map& target) override
    {
        calls.push_back("CopyPictureBySourceFromKnown " + std::string(source));
        for (const auto& [id, record] : known.pictures) {
            if (record.source == source) {
                target[id] = record;
                return true;
            }
        }
        return false;
    }
    bool CopyFlashFromKnown(int, std::int32_t id, flash_map& target) override
    {
        return copy(known.flashfiles, id, target, "CopyFlashFromKnown");
    }
    bool CopyPullFileFromKnown(int, std::int32_t id, pullfile_map& target, bool is_link) override
    {
        return copy(known.pullfiles, id, target, is_link ? "CopyPullFileFromKnown link" : "CopyPullFileFromKnown");
    }
    bool CopyClickToFromKnown(int, std::int32_t id, clickto_map& target, bool is_link) override
    {
        return copy(known.clicktos, id, target, is_link ? "CopyClickToFromKnown link" : "CopyClickToFromKnown");
    }
    void AddPicture(int, std::int32_t id, picture_map& target, const core::CHTMLTag& element, bool also) override
    {
        std::string source;
        if (!element.GetAttributes().GetValue("SRC", source))
            element.GetAttributes().GetValue("BACKGROUND", source);
        calls.push_back("AddPicture " + std::to_string(id) + " " + source + (also ? " also" : ""));
        target[id] = construct_picture_record_from_source(source, "", 0);
        if (also)
            known.pictures[id] = target[id];
    }
    void AddFlashFromObject(int, std::string_view object_text, std::int32_t id, flash_map& target, bool) override
    {
        calls.push_back("AddFlashFromObject " + std::to_string(id) + " " + std::string(object_text));
        target[id] = {};
    }
    void AddFlashFromLink(int, std::int32_t id, flash_map& target, const core::CHTMLTag&, bool) override
    {
        calls.push_back("AddFlashFromLink " + std::to_string(id));
        target[id] = {};
    }
    void AddPullFile(int, std::int32_t id, pullfile_map& target, const core::CHTMLTag& element, bool) override
    {
        calls.push_back("AddPullFile " + std::to_string(id) + " " + element.GetName());
        target[id] = {};
    }
    void AddClickTo(int, std::int32_t id, clickto_map& target, const core::CHTMLTag& element, bool) override
    {
        calls.push_back("AddClickTo " + std::to_string(id) + " " + element.GetName());
        target[id] = {};
    }
    std::optional<std::string> known_link_source(int, int object_kind, std::int32_t id) override
    {
        if (object_kind == 2 && known.pullfiles.contains(id))
            return known.pullfiles.at(id).file.source;
        if (object_kind == 3 && known.clicktos.contains(id))
            return known.clicktos.at(id).file.source;
        return std::nullopt;
    }

private:
    template <class Map>
    bool copy(const Map& from, std::int32_t id, Map& target, const char* name)
    {
        calls.push_back(std::string(name) + " " + std::to_string(id));
        const auto found = from.find(id);
        if (found == from.end())
            return false;
        target[id] = found->second;
        return true;
    }
};

}
