// The node tree's own containers, beside plain models of what they must hold.

#include "html/headless/tree.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace html::headless {
namespace {

TEST(child_list, edits_anywhere_keep_the_order_an_array_would)
{
    std::mt19937 random(11);
    child_list list;
    std::vector<node_ptr> model;
    auto same = [&] {
        ASSERT_EQ(list.size(), model.size());
        for (std::size_t i = 0; i < model.size(); ++i)
            ASSERT_EQ(list[i], model[i]) << "child " << i;
        std::size_t i = 0;
        for (const node_ptr& n : list)
            ASSERT_EQ(n, model[i++]);
        ASSERT_TRUE(std::equal(list.rbegin(), list.rend(), model.rbegin(), model.rend()));
    };
    for (int step = 0; step < 3000; ++step) {
        const std::size_t at = model.empty() ? 0 : random() % (model.size() + 1);
        switch (random() % 5) {
        case 0:
        case 1: { // a run of insertions, as a paste or a builder makes
            std::vector<node_ptr> added(random() % 4);
            for (auto& n : added)
                n = make_text(std::to_string(step));
            list.insert(at, added.begin(), added.end());
            model.insert(model.begin() + static_cast<long>(at), added.begin(), added.end());
            break;
        }
        case 2:
            list.push_back(make_text("tail"));
            model.push_back(list.back());
            break;
        default: { // removals, often of many children at one place
            const std::size_t count = at < model.size() ? random() % (model.size() - at + 1) % 5 : 0;
            list.erase(at, count);
            model.erase(model.begin() + static_cast<long>(at), model.begin() + static_cast<long>(at + count));
        }
        }
        same();
    }
    const auto slice = list.slice(1, model.size() > 3 ? 2 : 0);
    EXPECT_TRUE(std::equal(slice.begin(), slice.end(), model.begin() + 1));
    const auto all = list.take_all();
    EXPECT_EQ(all, model);
    EXPECT_TRUE(list.empty());
}

TEST(child_list, a_deep_tree_goes_without_recursion_and_children_held_elsewhere_become_roots)
{
    // The node's destructor frees a deep subtree back through its parents' lists; each
    // child leaves its list before it is released.
    node_ptr top = make_element("DIV");
    node* at = top.get();
    for (int i = 0; i < 100000; ++i) {
        node_ptr c = make_element("DIV");
        c->parent = at;
        at->children.push_back(c);
        at->children.push_back(make_text("x"));
        at->children.back()->parent = at;
        at = c.get();
    }
    std::weak_ptr<node> first = top->children[0];
    node_ptr kept = top->children[0]->children[1]; // held elsewhere: it becomes a root
    top.reset();
    EXPECT_TRUE(first.expired());
    EXPECT_EQ(kept->parent, nullptr);
    EXPECT_EQ(kept->data, "x");
}

#include "html/headless/named_references.inc"

// Every named reference reads as its number does; near misses stay as written.
TEST(references, every_name_reads_as_its_number_and_near_misses_stay_text)
{
    for (const named_reference& r : named_references) {
        const std::string name(r.name);
        EXPECT_EQ(decode_references("&" + name + ";", false), decode_references("&#" + std::to_string(r.code) + ";", false))
            << name;
    }
    const std::pair<std::string, std::string> cases[] = {
        {"&thetasym;", "\xCF\x91"},     // the longest name
        {"&nbs;", "&nbs;"},             // a prefix of a name
        {"&nbspx;", "&nbspx;"},         // a name with more after it
        {"&thetasyms;", "&thetasyms;"}, // longer than any name
        {"&NBSP;", "&NBSP;"},           // case counts
        {"&Alpha;&alpha;", "\xCE\x91\xCE\xB1"},
        {"&;&#;&", "&;&#;&"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(decode_references(in, false), out) << in;
}

}
}
