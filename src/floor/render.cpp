// The text tree grows from the spawn room depth-first, each room shown once under the first
// door that reaches it; the digraph shows every door as an edge from its own side.
#include "floor/render.h"

#include <vector>

#include "core/rarity.h"

namespace {

struct tag_letter {
    u8 bit;
    char letter;
};

const tag_letter k_tag_letters[] = {
    {SV_TAG_SPAWN, 'S'}, {SV_TAG_FOUNTAIN, 'F'}, {SV_TAG_MONUMENT, 'M'}, {SV_TAG_AXIOM, 'A'},
    {SV_TAG_SCION, 's'}, {SV_TAG_GATE, 'g'},     {SV_TAG_PRISM, 'P'},    {SV_TAG_SHARD, 'k'},
};

void tag_marks(u8 tags, char out[16])
{
    u32 len = 0;
    for (const tag_letter& t : k_tag_letters)
        if ((tags & t.bit) && len < 15)
            out[len++] = t.letter;
    out[len] = 0;
}

const char* door_glyph(const sv_door* door)
{
    if (door->locked) {
        if (door->kind == SV_DOOR_SCION)
            return "=S=";
        if (door->kind == SV_DOOR_AXIOM)
            return "=P=";
        return "=?=";
    }
    switch (door->kind) {
    case SV_DOOR_SHORTCUT: return "..>";
    case SV_DOOR_SCION: return "-s-";
    case SV_DOOR_AXIOM: return "-a-";
    case SV_DOOR_EXIT: return "-->";
    default: return "---";
    }
}

// One line of the tree.
void render_room(const sv_floor* f, u16 room, u32 indent, const char* glyph, sv_writer w)
{
    const sv_room* r = &f->rooms[room];
    // Indentation goes out in pieces well inside the writer's limit, so a deep room's line
    // is never cut.
    static const char k_blanks[]
        = "                                                                "
          "                                                                ";
    const u32 piece = sizeof k_blanks - 1;
    for (u64 left = (u64)indent * 2; left > 0;) {
        u32 n = left < piece ? (u32)left : piece;
        sv_writef(w, "%.*s", (int)n, k_blanks);
        left -= n;
    }
    if (glyph)
        sv_writef(w, "%s ", glyph);
    else
        sv_writef(w, "   ");
    sv_writef(w, "%3u", room);
    char marks[16];
    tag_marks(r->tags, marks);
    if (marks[0])
        sv_writef(w, " [%s]", marks);
    if (sv_floor_visited(f, room))
        sv_writef(w, " *");
    sv_writef(w, "  d%u", r->depth);
    const sv_chest* chest = sv_floor_chest_in(f, room);
    if (chest)
        sv_writef(w, "  chest:%s%s", sv_rarity_name((i32)chest->rarity),
                  chest->locked ? "(locked)" : "");
    sv_writef(w, "\n");
}

struct frame {
    u16 room;
    u8 next_door;
    u32 indent;
};

// Renders a room and, beneath it, every room first reached through it. Kept on an explicit
// stack rather than the call stack, so a long chain of rooms cannot overflow it.
void render_subtree(const sv_floor* f, u16 start, u32 indent, std::vector<u8>& seen,
                    std::vector<frame>& stack, sv_writer w)
{
    seen[start] = 1;
    render_room(f, start, indent, nullptr, w);
    stack.clear();
    stack.push_back(frame {start, 0, indent});
    while (!stack.empty()) {
        frame& top = stack.back();
        const sv_room* r = &f->rooms[top.room];
        if (top.next_door >= r->door_count) {
            stack.pop_back();
            continue;
        }
        const sv_door* door = &r->doors[top.next_door];
        top.next_door += 1;
        u16 t = door->target;
        if (t >= f->room_count || seen[t])
            continue;
        u32 child_indent = top.indent + 1;
        seen[t] = 1;
        render_room(f, t, child_indent, door_glyph(door), w);
        stack.push_back(frame {t, 0, child_indent});
    }
}

const char* room_style(u8 tags)
{
    if (tags & SV_TAG_SPAWN)
        return "shape=doublecircle,color=blue";
    if (tags & SV_TAG_AXIOM)
        return "shape=octagon,color=red";
    if (tags & SV_TAG_GATE)
        return "shape=octagon,color=orange";
    if (tags & SV_TAG_SCION)
        return "shape=hexagon,color=orange";
    if (tags & SV_TAG_MONUMENT)
        return "shape=box,color=purple";
    if (tags & SV_TAG_FOUNTAIN)
        return "shape=ellipse,color=green";
    if (tags & SV_TAG_PRISM)
        return "shape=diamond,color=gold";
    return "shape=circle";
}

} // namespace

void sv_render_text(const sv_floor* floor, sv_writer w)
{
    if (!floor || !w.fn)
        return;
    sv_writef(w, "floor %u  seed %llu  rooms %u\n", floor->floor_number,
              (unsigned long long)floor->seed, floor->room_count);
    sv_writef(w,
              "marks: S spawn  F fountain  M monument  A axiom  s scion  g gate  P prism  k shard  "
              " * visited\n");
    sv_writef(w,
              "doors: --- normal  -s- scion  -a- axiom  --> exit  ..> shortcut  =S= needs Shard  "
              "=P= needs Prism\n\n");
    if (floor->room_count == 0 || !floor->rooms)
        return;
    std::vector<u8> seen(floor->room_count, 0);
    std::vector<frame> stack;
    i32 spawn = sv_floor_find(floor, SV_TAG_SPAWN);
    if (spawn >= 0)
        render_subtree(floor, (u16)spawn, 0, seen, stack, w);
    int heading = 0;
    for (u16 r = 0; r < floor->room_count; ++r) {
        if (seen[r])
            continue;
        if (!heading) {
            sv_writef(w, "\nUNREACHABLE FROM SPAWN:\n");
            heading = 1;
        }
        render_subtree(floor, r, 1, seen, stack, w);
    }
}

void sv_render_dot(const sv_floor* floor, sv_writer w)
{
    if (!floor || !w.fn)
        return;
    sv_writef(w, "digraph floor%u {\n", floor->floor_number);
    sv_writef(w, "  label=\"floor %u  seed %llu  %u rooms\";\n", floor->floor_number,
              (unsigned long long)floor->seed, floor->room_count);
    sv_writef(w, "  node [fontsize=10];\n");
    u16 n = floor->rooms ? floor->room_count : 0;
    for (u16 r = 0; r < n; ++r) {
        const sv_room* room = &floor->rooms[r];
        char marks[16];
        tag_marks(room->tags, marks);
        sv_writef(w, "  r%u [label=\"%u", r, r);
        if (marks[0])
            sv_writef(w, "\\n%s", marks);
        sv_writef(w, "\",%s", room_style(room->tags));
        if (sv_floor_visited(floor, r))
            sv_writef(w, ",style=filled,fillcolor=lightgrey");
        sv_writef(w, "];\n");
    }
    for (u16 r = 0; r < n; ++r) {
        const sv_room* room = &floor->rooms[r];
        for (u8 d = 0; d < room->door_count; ++d) {
            const sv_door* door = &room->doors[d];
            if (door->target >= n)
                continue;
            sv_writef(w, "  r%u -> r%u [", r, door->target);
            if (door->locked)
                sv_writef(w, "color=red,style=bold,label=\"%s\"",
                          door->kind == SV_DOOR_AXIOM ? "prism" : "shard");
            else if (door->kind == SV_DOOR_EXIT)
                sv_writef(w, "color=blue,style=bold,label=\"exit\"");
            else if (door->kind == SV_DOOR_SHORTCUT)
                sv_writef(w, "style=dashed");
            else
                sv_writef(w, "color=grey40");
            sv_writef(w, "];\n");
        }
    }
    sv_writef(w, "}\n");
}
