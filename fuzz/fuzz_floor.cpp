// Floor generation under in-range tunables from arbitrary bytes, run as `gen` runs it: grow the
// topology, assign the door appearances, and validate whenever the obligations are met. A floor
// whose obligations are met must validate.
//
// Input: seed (8 bytes, little-endian), floor number (2 bytes, taken into 1..65534), then any
// number of (tunable index, 16-bit position in its range) triples; the rest keep their defaults.
#include <cstring>
#include <string>

#include "core/diag.h"
#include "core/tune.h"
#include "floor/floor.h"
#include "floor/gen.h"
#include "floor/ledger.h"
#include "floor/render.h"
#include "floor/validate.h"
#include "fuzz_support.h"

namespace {

u64 read_le(const uint8_t* p, size_t n)
{
    u64 v = 0;
    for (size_t i = 0; i < n; ++i)
        v |= (u64)p[i] << (8 * i);
    return v;
}

void to_stderr(void*, const char* text)
{
    std::fputs(text, stderr);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    sv_fuzz_init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 10)
        return 0;
    u64 seed = read_le(data, 8);
    u16 number = (u16)(read_le(data + 8, 2) % SV_FLOOR_CAPACITY_MAX + 1);

    sv_tune_reset_defaults();
    std::string changed;
    for (size_t at = 10; at + 3 <= size; at += 3) {
        u32 index = data[at] % SV_TUNE_COUNT;
        f64 lo = sv_tune_min(index), hi = sv_tune_max(index);
        // Both ends of the range are reachable exactly.
        f64 t = (f64)read_le(data + at + 1, 2) / 65535.0;
        f64 value = t >= 1.0 ? hi : lo + t * (hi - lo);
        SV_FUZZ_REQUIRE(sv_tune_set_by_name(sv_tune_name(index), value), "%s", sv_tune_name(index));
        changed += std::string(" ") + sv_tune_name(index) + "=" + std::to_string(sv_tune(index));
    }
    // A set the game would refuse to run with says nothing about generation.
    sv_diag_reset();
    if (!sv_tune_check_constraints())
        return 0;

    sv_floor floor {};
    i32 capacity = sv_gen_capacity_for(number);
    SV_FUZZ_REQUIRE(capacity > 0 && capacity <= SV_FLOOR_CAPACITY_MAX, "capacity %d", capacity);
    sv_floor_init(&floor, number, seed, (u16)capacity);
    sv_gen_stats stats = sv_gen_grow(&floor);
    sv_floor_assign_appearances(&floor);
    SV_FUZZ_REQUIRE(stats.rooms == floor.room_count && floor.room_count <= floor.capacity,
                    "rooms %u, table %u", floor.room_count, floor.capacity);

    if (!sv_ledger_missing(&stats.ledger)) {
        sv_validate_report report;
        if (!sv_validate_floor(&floor, &report)) {
            std::fprintf(stderr, "floor %u seed %llu, tunables:%s\n", number,
                         (unsigned long long)seed, changed.empty() ? " defaults" : changed.c_str());
            sv_validate_print(&report, sv_writer {to_stderr, nullptr});
            SV_FUZZ_REQUIRE(false, "a floor with its obligations met does not validate");
        }
    }
    sv_render_text(&floor, sv_fuzz_null_writer());
    sv_render_dot(&floor, sv_fuzz_null_writer());
    sv_floor_free(&floor);
    return 0;
}
