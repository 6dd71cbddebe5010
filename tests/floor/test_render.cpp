// The text tree and the Graphviz digraph, checked line by line.
#include <gtest/gtest.h>

#include "floor/render.h"
#include "test_gen_util.h"

namespace {

const char* const HEADER_MARKS = "marks: S spawn  F fountain  M monument  A axiom  s scion  g gate "
                                 " P prism  k shard   * visited\n";
const char* const HEADER_DOORS = "doors: --- normal  -s- scion  -a- axiom  --> exit  ..> shortcut  "
                                 "=S= needs Shard  =P= needs Prism\n\n";

size_t count_of(const std::string& s, const std::string& what)
{
    size_t n = 0;
    for (size_t at = s.find(what); at != std::string::npos; at = s.find(what, at + 1))
        n += 1;
    return n;
}

} // namespace

TEST(Render, LoneSpawnRoom)
{
    sv_floor f {};
    sv_floor_init(&f, 1, 42, 4);
    sv_floor_add_room(&f, SV_TAG_SPAWN);
    f.rooms[0].depth = 0;
    EXPECT_EQ(text_of(&f),
              std::string("floor 1  seed 42  rooms 1\n") + HEADER_MARKS + HEADER_DOORS
                  + "     0 [S]  d0\n");
    EXPECT_EQ(dot_of(&f),
              "digraph floor1 {\n"
              "  label=\"floor 1  seed 42  1 rooms\";\n"
              "  node [fontsize=10];\n"
              "  r0 [label=\"0\\nS\",shape=doublecircle,color=blue];\n"
              "}\n");
    sv_floor_free(&f);
}

TEST(Render, DoorsChestsVisitsAndUnreachableRooms)
{
    sv_floor f {};
    sv_floor_init(&f, 2, 7, 8);
    sv_floor_add_room(&f, SV_TAG_SPAWN | SV_TAG_FOUNTAIN);
    sv_floor_add_room(&f, 0);
    sv_floor_add_room(&f, SV_TAG_AXIOM);
    sv_floor_add_room(&f, SV_TAG_SCION);
    sv_floor_add_room(&f, 0);            // 4: cut off
    sv_floor_add_room(&f, SV_TAG_SHARD); // 5: cut off, beneath 4
    sv_floor_link(&f, 0, 1, SV_DOOR_NORMAL);
    sv_floor_link(&f, 1, 2, SV_DOOR_NORMAL);
    f.rooms[1].doors[1].kind = SV_DOOR_AXIOM;
    f.rooms[1].doors[1].locked = 1;
    sv_floor_link(&f, 0, 3, SV_DOOR_NORMAL);
    f.rooms[0].doors[1].kind = SV_DOOR_SCION;
    sv_floor_link(&f, 4, 5, SV_DOOR_SHORTCUT);
    sv_floor_add_door(&f, 2, SV_NONE16, SV_NONE8, SV_DOOR_EXIT);
    sv_floor_compute_depths(&f, 0);
    sv_floor_add_chest(&f, 1, 1, 1);
    sv_floor_add_chest(&f, 3, 2, 0);
    sv_floor_visit(&f, 1);

    EXPECT_EQ(text_of(&f),
              std::string("floor 2  seed 7  rooms 6\n") + HEADER_MARKS + HEADER_DOORS
                  + "     0 [SF]  d0\n"
                    "  ---   1 *  d1  chest:uncommon(locked)\n"
                    "    =P=   2 [A]  d2\n"
                    "  -s-   3 [s]  d1  chest:rare(locked)\n"
                    "\nUNREACHABLE FROM SPAWN:\n"
                    "       4  d65535\n"
                    "    ..>   5 [k]  d65535\n");
    std::string dot = dot_of(&f);
    EXPECT_NE(dot.find("  r1 [label=\"1\",shape=circle,style=filled,fillcolor=lightgrey];\n"),
              std::string::npos);
    EXPECT_NE(dot.find("  r2 [label=\"2\\nA\",shape=octagon,color=red];\n"), std::string::npos);
    EXPECT_NE(dot.find("  r1 -> r2 [color=red,style=bold,label=\"prism\"];\n"), std::string::npos);
    EXPECT_NE(dot.find("  r2 -> r1 [color=grey40];\n"), std::string::npos);
    EXPECT_NE(dot.find("  r0 -> r3 [color=grey40];\n"), std::string::npos)
        << "an unlocked Scion door";
    EXPECT_NE(dot.find("  r4 -> r5 [style=dashed];\n"), std::string::npos);
    EXPECT_EQ(count_of(dot, "exit"), 0u) << "exit doors lead nowhere and draw no edge";
    sv_floor_free(&f);
}

namespace {

struct tail_sink {
    u64 bytes = 0;
    std::string last_line;
    std::string current;
};

void keep_tail(void* ctx, const char* text)
{
    tail_sink* t = static_cast<tail_sink*>(ctx);
    for (const char* c = text; *c; ++c) {
        t->bytes += 1;
        if (*c == '\n') {
            t->last_line = t->current;
            t->current.clear();
        } else {
            t->current.push_back(*c);
        }
    }
}

} // namespace

TEST(Render, DeepChainKeepsEveryIndent)
{
    const u16 n = 3000;
    sv_floor f {};
    sv_floor_init(&f, 1, 1, n);
    sv_floor_add_room(&f, SV_TAG_SPAWN);
    for (u16 r = 1; r < n; ++r) {
        sv_floor_add_room(&f, 0);
        sv_floor_link(&f, (u16)(r - 1), r, SV_DOOR_NORMAL);
    }
    sv_floor_compute_depths(&f, 0);
    tail_sink t;
    sv_render_text(&f, sv_writer {keep_tail, &t});
    // The deepest room sits 2999 levels in: far wider than one formatted piece of text.
    EXPECT_EQ(t.last_line, std::string(2 * 2999, ' ') + "--- 2999  d2999");
    sv_floor_free(&f);
}
