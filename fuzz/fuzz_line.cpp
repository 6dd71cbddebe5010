// The console's line editor driven by a key sequence from arbitrary bytes: each byte picks an
// operation (a printable or stray character, motion, kills, history, submit, completion) and the
// editor's invariants are checked after every one.
#include <cstring>
#include <memory>
#include <vector>

#include "console/cmd.h"
#include "console/line.h"
#include "fuzz_support.h"

namespace {

// Completion candidates beside the builtins: shared prefixes, and a name longer than a line.
char s_long_name[SV_LINE_CAP + 40];

i32 cmd_nothing(const sv_cmd_args*)
{
    return 0;
}

void count_candidate(const char* name, void* user)
{
    SV_FUZZ_REQUIRE(name != nullptr, "null candidate");
    *(int*)user += 1;
}

void check_line(const sv_line* line)
{
    SV_FUZZ_REQUIRE(line->len >= 0 && line->len < SV_LINE_CAP, "len %d", line->len);
    SV_FUZZ_REQUIRE(line->cursor >= 0 && line->cursor <= line->len, "cursor %d of %d", line->cursor,
                    line->len);
    SV_FUZZ_REQUIRE(std::strlen(line->buf) == (size_t)line->len, "len %d, text %zu", line->len,
                    std::strlen(line->buf));
    SV_FUZZ_REQUIRE(line->hist_count >= 0 && line->hist_count <= SV_LINE_HISTORY, "hist_count %d",
                    line->hist_count);
    SV_FUZZ_REQUIRE(line->hist_head >= 0 && line->hist_head < SV_LINE_HISTORY, "hist_head %d",
                    line->hist_head);
    SV_FUZZ_REQUIRE(line->hist_pos >= 0 && line->hist_pos <= line->hist_count, "hist_pos %d",
                    line->hist_pos);
    SV_FUZZ_REQUIRE(line->saved_len >= 0 && line->saved_len < SV_LINE_CAP, "saved_len %d",
                    line->saved_len);
    for (i32 i = 0; i < line->hist_count; ++i) {
        const char* entry = line->history[(line->hist_head + i) % SV_LINE_HISTORY];
        SV_FUZZ_REQUIRE(std::memchr(entry, 0, SV_LINE_CAP), "history entry %d unterminated", i);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    sv_fuzz_init();
    sv_cmd_register_builtins();
    std::memset(s_long_name, 'v', sizeof s_long_name - 1);
    sv_cmd_register(s_long_name, nullptr, nullptr, 0, cmd_nothing);
    sv_cmd_register("ver", nullptr, nullptr, 0, cmd_nothing);
    sv_cmd_register("validate-all", nullptr, nullptr, 0, cmd_nothing);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Heap-allocated at its exact size, so any access past the record is caught.
    std::unique_ptr<sv_line> line(new sv_line);
    sv_line_init(line.get());
    sv_line* l = line.get();
    for (size_t i = 0; i < size; ++i) {
        u8 op = data[i];
        if (op >= 32 && op <= 126) {
            sv_line_insert(l, op);
        } else {
            switch (op % 20) {
            case 0: sv_line_left(l); break;
            case 1: sv_line_right(l); break;
            case 2: sv_line_home(l); break;
            case 3: sv_line_end(l); break;
            case 4: sv_line_word_left(l); break;
            case 5: sv_line_word_right(l); break;
            case 6: sv_line_backspace(l); break;
            case 7: sv_line_delete(l); break;
            case 8: sv_line_kill_word_back(l); break;
            case 9: sv_line_kill_word_forward(l); break;
            case 10: sv_line_kill_to_start(l); break;
            case 11: sv_line_kill_to_end(l); break;
            case 12: sv_line_history_prev(l); break;
            case 13: sv_line_history_next(l); break;
            case 14: {
                // Submit into a buffer of a size the next byte picks, exactly allocated.
                size_t cap = i + 1 < size ? data[++i] % (SV_LINE_CAP + 8) : SV_LINE_CAP;
                std::vector<char> out(cap);
                sv_line_submit(l, cap ? out.data() : nullptr, cap);
                if (cap)
                    SV_FUZZ_REQUIRE(std::memchr(out.data(), 0, cap), "submit left no NUL");
                break;
            }
            case 15: {
                int listed = 0;
                i32 matches = sv_line_complete(l, count_candidate, &listed);
                SV_FUZZ_REQUIRE(matches >= 0 && (matches < 2 || listed == matches),
                                "%d matches, %d listed", matches, listed);
                break;
            }
            case 16: {
                // A stray value: control bytes, bytes above 126, or any 32-bit value.
                i32 ch = (i32)op;
                if (i + 4 < size) {
                    std::memcpy(&ch, data + i + 1, 4);
                    i += 4;
                }
                SV_FUZZ_REQUIRE(sv_line_insert(l, ch) == 0 || (ch >= 32 && ch <= 126),
                                "inserted %d", ch);
                break;
            }
            case 17: sv_line_clear(l); break;
            case 18: sv_line_insert(l, op); break;
            default: {
                // Fill the line, to reach its limits quickly.
                for (int k = 0; k < SV_LINE_CAP; ++k)
                    sv_line_insert(l, 'a' + k % 26);
                break;
            }
            }
        }
        check_line(l);
    }
    return 0;
}
