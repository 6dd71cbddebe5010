// The held floor that `gen` makes through the generation pipeline, and the developer's commands over the held floor.
#include "game/cmd_gen.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "console/cmd.h"
#include "core/plat.h"
#include "core/tune.h"
#include "floor/ledger.h"
#include "floor/render.h"
#include "floor/stats.h"
#include "floor/validate.h"
#include "game/pipeline.h"

namespace {

sv_floor g_floor;
u8 g_held;
sv_gen_stats g_last;
u64 g_serial;

const char* const NO_FLOOR = "no floor generated -- try 'gen <seed> <floor>'\n";

// Console numbers: unsigned 64-bit, automatic base. strtoull would take a minus sign and wrap
// the value ("-1" becomes the largest number), so a '-' after any leading white space is
// refused here; the rest (no digits, trailing characters, overflow) strtoull reports itself.
int parse_u64(const char* text, u64* out)
{
    if (!text)
        return 0;
    const char* p = text;
    while (isspace((unsigned char)*p))
        ++p;
    if (*p == '-')
        return 0;
    errno = 0;
    char* end = nullptr;
    unsigned long long v = strtoull(p, &end, 0);
    if (end == p || *end != 0 || errno == ERANGE)
        return 0;
    *out = (u64)v;
    return 1;
}

sv_floor* held_or_complain(void)
{
    if (!g_held) {
        sv_cmd_printf("%s", NO_FLOOR);
        return nullptr;
    }
    return &g_floor;
}

// The generation report; 0 when an obligation is owed, 1 when all are met.
int print_report(const sv_floor* f, const sv_gen_stats* st)
{
    sv_cmd_printf("  floor %u  seed %llu\n", f->floor_number, (unsigned long long)f->seed);
    sv_cmd_printf("  rooms %u   depth %u   hubs %u   leaves %u\n", st->rooms, st->max_depth,
                  st->hubs, st->leaves);
    sv_cmd_printf("  target %.1f   min %.0f   cap %.0f   table %u\n",
                  sv_floor_target_size(f->floor_number), sv_floor_min_size(f->floor_number),
                  sv_tune(SV_TUNE_FLOOR_SIZE_MAX), (u32)f->capacity);
    if (st->remainder)
        sv_cmd_printf("  %u room(s) placed by the remainder pass\n", st->remainder);
    // A gate shortfall is never named: the gate step lowers the owed count to what it placed.
    const char* owed = sv_ledger_missing(&st->ledger);
    if (owed)
        sv_cmd_printf("  obligations OWED: %s", owed);
    else
        sv_cmd_printf("  obligations met");
    if (st->backstop)
        sv_cmd_printf("   (%u placed by the backstop)", st->backstop);
    sv_cmd_printf("\n");
    return owed ? 0 : 1;
}

// gen's result for a floor whose obligations are met: its faults, then a censored size.
i32 judge(const sv_floor* f, const sv_gen_stats* st)
{
    sv_validate_report report;
    if (!sv_validate_floor(f, &report)) {
        sv_validate_print(&report, sv_cmd_writer());
        return 1;
    }
    if (st->censored) {
        sv_cmd_printf("  WARNING: hit the room table -- size is censored\n");
        return 1;
    }
    return 0;
}

i32 cmd_gen(const sv_cmd_args* args)
{
    if (args->argc != 3) {
        sv_cmd_printf("usage: gen <seed> <floor>\n");
        return 1;
    }
    u64 seed = 0, number = 0;
    if (!parse_u64(args->argv[1], &seed)) {
        sv_cmd_printf("'%s' is not a seed\n", sv_cmd_shown(args->argv[1]));
        return 1;
    }
    if (!parse_u64(args->argv[2], &number) || number < 1 || number > SV_FLOOR_CAPACITY_MAX) {
        sv_cmd_printf("floor must be 1..%u\n", (u32)SV_FLOOR_CAPACITY_MAX);
        return 1;
    }
    u16 floor_number = (u16)number;

    if (g_held) {
        sv_floor_free(&g_floor);
        g_held = 0;
    }
    g_last = sv_pipeline_generate(&g_floor, seed, floor_number);
    g_serial += 1;
    g_held = 1;

    return print_report(&g_floor, &g_last) ? judge(&g_floor, &g_last) : 1;
}

i32 cmd_floor(const sv_cmd_args*)
{
    sv_floor* f = held_or_complain();
    if (!f)
        return 1;
    sv_cmd_printf("  floor %u  seed %llu  (table %u)\n", f->floor_number,
                  (unsigned long long)f->seed, f->capacity);
    sv_cmd_printf("  generated %u   visited %u\n", f->room_count, sv_floor_visited_count(f));
    sv_cmd_printf("  tags:");
    for (u32 bit = 1; bit <= 128; bit <<= 1)
        sv_cmd_printf(" %s=%zu", sv_room_tag_name((u8)bit),
                      (size_t)sv_floor_count_tagged(f, (u8)bit));
    sv_cmd_printf("\n");
    sv_cmd_printf("  degrees:");
    for (u32 k = 1; k <= 6; ++k) {
        size_t rooms = 0;
        for (u16 r = 0; r < f->room_count; ++r)
            if (f->rooms[r].door_count == k)
                rooms += 1;
        sv_cmd_printf(" %zu:%zu", (size_t)k, rooms);
    }
    sv_cmd_printf("\n");
    return 0;
}

i32 cmd_visit(const sv_cmd_args* args)
{
    sv_floor* f = held_or_complain();
    if (!f)
        return 1;
    if (args->argc < 2) {
        sv_cmd_printf("usage: visit <room> [room...] | visit clear\n");
        return 1;
    }
    if (strcmp(args->argv[1], "clear") == 0) {
        sv_floor_clear_visited(f);
        sv_cmd_printf("  visited cleared; generated %u unchanged\n", f->room_count);
        return 0;
    }
    i32 first = 0;
    for (u32 i = 1; i < args->argc; ++i) {
        u64 room = 0;
        if (!parse_u64(args->argv[i], &room) || room >= f->room_count) {
            sv_cmd_printf("room '%s' is not on this floor (0..%u)\n", sv_cmd_shown(args->argv[i]),
                          f->room_count ? f->room_count - 1u : 0u);
            return 1;
        }
        first += sv_floor_visit(f, (u16)room);
    }
    sv_cmd_printf("  visited %u of %u   (%d first entries this command)\n",
                  sv_floor_visited_count(f), f->room_count, first);
    return 0;
}

i32 cmd_walk(const sv_cmd_args* args)
{
    sv_floor* f = held_or_complain();
    if (!f)
        return 1;
    if (args->argc != 2) {
        sv_cmd_printf("usage: walk <bfs|dfs>\n");
        return 1;
    }
    u32 order;
    if (strcmp(args->argv[1], "bfs") == 0)
        order = SV_WALK_BFS;
    else if (strcmp(args->argv[1], "dfs") == 0)
        order = SV_WALK_DFS;
    else {
        sv_cmd_printf("unknown order '%s' -- bfs or dfs\n", sv_cmd_shown(args->argv[1]));
        return 1;
    }
    u32 reached = sv_gen_walk(f, 0, order, nullptr, 0);
    sv_cmd_printf("  %s from spawn: reached %u, visited %u of %u\n", sv_walk_order_name((i32)order),
                  reached, sv_floor_visited_count(f), f->room_count);
    if (reached < f->room_count) {
        sv_cmd_printf("  WARNING: %u room(s) unreachable from spawn\n", f->room_count - reached);
        return 1;
    }
    return 0;
}

i32 cmd_check(const sv_cmd_args*)
{
    sv_floor* f = held_or_complain();
    if (!f)
        return 1;
    sv_validate_report report;
    if (sv_validate_floor(f, &report)) {
        sv_cmd_printf("  floor %u seed %llu: valid\n", f->floor_number,
                      (unsigned long long)f->seed);
        return 0;
    }
    sv_cmd_printf("  floor %u seed %llu: %u fault(s)\n", f->floor_number,
                  (unsigned long long)f->seed, (u32)report.listed);
    sv_validate_print(&report, sv_cmd_writer());
    return 1;
}

i32 cmd_show(const sv_cmd_args*)
{
    sv_floor* f = held_or_complain();
    if (!f)
        return 1;
    sv_render_text(f, sv_cmd_writer());
    return 0;
}

i32 cmd_stats(const sv_cmd_args* args)
{
    u64 count = 10000, number = 4;
    if ((args->argc > 1 && !parse_u64(args->argv[1], &count))
        || (args->argc > 2 && !parse_u64(args->argv[2], &number))) {
        sv_cmd_printf("usage: stats [count] [floor]\n");
        return 1;
    }
    if (count == 0 || number < 1 || number > 65535) {
        sv_cmd_printf("count must be positive and floor in 1..65535\n");
        return 1;
    }
    u16 floor_number = (u16)number;
    // Large, so it lives outside the stack; one command runs at a time.
    static sv_stats s_stats;
    sv_stats_init(&s_stats);
    clock_t start = clock();
    u16 capacity = (u16)sv_gen_capacity_for(floor_number);
    for (u64 seed = 0; seed < count; ++seed) {
        sv_floor f {};
        sv_floor_init(&f, floor_number, seed, capacity);
        sv_gen_stats report = sv_gen_grow(&f);
        sv_stats_add(&s_stats, &f, &report);
        sv_floor_free(&f);
    }
    f64 ms = (f64)(clock() - start) * 1000.0 / (f64)CLOCKS_PER_SEC;
    f64 rate = ms > 0 ? (f64)count * 1000.0 / ms : 0.0;
    sv_cmd_printf("  %llu floors at depth %llu in %.0f ms  (%.0f floors/sec)\n",
                  (unsigned long long)count, (unsigned long long)number, ms, rate);
    sv_stats_print(&s_stats, sv_cmd_writer());
    return 0;
}

i32 cmd_dump(const sv_cmd_args* args)
{
    sv_floor* f = held_or_complain();
    if (!f)
        return 1;
    if (args->argc < 2) {
        sv_render_dot(f, sv_cmd_writer());
        return 0;
    }
    const char* path = args->argv[1];
    // Only a regular file is written: a device, FIFO or directory in its place is refused before
    // it is opened, as is a name Windows gives a device (which would take the bytes and leave no
    // file).
    u32 why = SV_PLAT_WRITE_FAILED;
    FILE* file = sv_plat_create(path, &why);
    if (!file && sv_plat_refusal_text(why)) {
        sv_cmd_printf("cannot write %s: %s\n", sv_cmd_shown(path), sv_plat_refusal_text(why));
        return 1;
    }
    if (!file) {
        sv_cmd_printf("cannot write %s\n", sv_cmd_shown(path));
        return 1;
    }
    sv_render_dot(f, sv_writer_file(file));
    // A full disk or a failing device shows up only here: in the stream's error flag or when
    // the buffered tail is flushed on close.
    int failed = ferror(file);
    if (fclose(file) != 0)
        failed = 1;
    if (failed) {
        sv_cmd_printf("cannot write %s\n", sv_cmd_shown(path));
        return 1;
    }
    sv_cmd_printf("  wrote %s\n", sv_cmd_shown(path));
    return 0;
}

} // namespace

void sv_gen_register_commands(void)
{
    sv_cmd_register("gen", "gen <seed> <floor>", "generate a floor's topology", 0, cmd_gen);
    sv_cmd_register("floor", nullptr, "describe the generated floor", 0, cmd_floor);
    sv_cmd_register("visit", "visit <room> [room...] | visit clear", "mark rooms entered", 0,
                    cmd_visit);
    sv_cmd_register("walk", "walk <bfs|dfs>", "visit every room from spawn", 0, cmd_walk);
    sv_cmd_register("check", nullptr, "validate the generated floor", 0, cmd_check);
    sv_cmd_register("show", nullptr, "render the floor as an indented tree", 0, cmd_show);
    sv_cmd_register("stats", "stats [count] [floor]", "distributions over many floors", 0,
                    cmd_stats);
    sv_cmd_register("dump", "dump [path]", "write the floor as Graphviz dot", 0, cmd_dump);
}

sv_floor* sv_gen_current(void)
{
    return g_held ? &g_floor : nullptr;
}

u64 sv_gen_serial(void)
{
    return g_serial;
}

sv_gen_stats sv_gen_current_stats(void)
{
    return g_last;
}

void sv_gen_release_current(void)
{
    if (g_held) {
        sv_floor_free(&g_floor);
        g_held = 0;
    }
}
