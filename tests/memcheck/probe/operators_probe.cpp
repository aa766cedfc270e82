// A program with the console's global operators new and delete, started by
// the memory checker's tests (operators_test.cpp) with or without MEMCHECK,
// as the console would be. Each scenario prints "probe: " lines of what it
// found; the checker's own messages go to standard output and to the log.
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "memcheck/memcheck.h"

#include "memcheck/blocks.h"
#include "memcheck/registry.h"
#include "memcheck/run_state.h"
#include "memcheck/settings.h"

namespace {

using namespace memcheck;

// Objects left on purpose stay reachable from here (volatile, so that the
// optimiser keeps the stores to a table nothing reads).
void* volatile kept[4] = {};

void say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void say(const char* format, ...) {
    std::fputs("probe: ", stdout);
    va_list args;
    va_start(args, format);
    std::vprintf(format, args);
    va_end(args);
    std::fputs("\n", stdout);
    std::fflush(stdout);
}

// The record of the block whose caller area starts at object.
bool record_of(const void* object, McBlockRecord& out) {
    const auto address = reinterpret_cast<uintptr_t>(object);
    return mc_registry_find_floor(mc_registry, address, out) == kRegistryOk && mc_caller_address(out) == address;
}

void describe(const char* name, const void* object) {
    McBlockRecord r;
    if (!record_of(object, r)) {
        say("%s unregistered", name);
        return;
    }
    say("%s code=%u size=%zu guards=%s", name, static_cast<unsigned>(r.function_code), mc_caller_size(r),
        mc_check_guards(r, "probe") ? "damaged" : "intact");
}

struct alignas(64) Wide {
    char bytes[100];
};

void objects() {
    say("active=%d", static_cast<int>(mc_state.active));
    const size_t before = mc_registry.count;
    int* one = new int(7);
    describe("new", one);
    int* many = new int[10];
    describe("new[]", many);
    char* quiet = new (std::nothrow) char[5];
    describe("nothrow new[]", quiet);
    Wide* wide = new Wide;
    describe("aligned new", wide);
    say("aligned new at 64: %s", reinterpret_cast<uintptr_t>(wide) % 64 == 0 ? "yes" : "no");
    Wide* wides = new (std::nothrow) Wide[2];
    describe("aligned nothrow new[]", wides);
    say("aligned nothrow new[] at 64: %s", reinterpret_cast<uintptr_t>(wides) % 64 == 0 ? "yes" : "no");
    size_t registered = 0;
    {
        std::vector<int> numbers(1000, 3);
        describe("vector", numbers.data());
        std::string text(100, 'x');
        describe("string", text.data());
        registered = mc_registry.count - before;
    }
    say("registered=%zu", registered);
    delete one;
    delete[] many;
    operator delete[](quiet, std::nothrow);
    delete wide;
    operator delete[](wides, std::align_val_t{64}, std::nothrow);
    say("left=%zu", mc_registry.count - before);
    say("errors=%u", static_cast<unsigned>(mc_state.error_mask));
}

void double_delete() {
    int* object = new int(1);
    say("object=0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(object)));
    delete object;
    int* volatile again = object;  // the same object once more
    delete again;
    say("went on");
}

void overrun() {
    char* text = new char[8];
    say("object=0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(text)));
    volatile size_t past_end = 9;  // one byte more than the object has
    std::memset(text, 'x', past_end);
    delete[] text;
    say("went on");
}

void leak() {
    kept[0] = new int[4];
    say("object=0x%08lX", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(kept[0])));
}

int handler_calls = 0;
volatile size_t too_much = SIZE_MAX - 8;

void out_of_memory() {
    std::set_new_handler([] {
        ++handler_calls;
        if (handler_calls == 2) std::set_new_handler(nullptr);
    });
    try {
        kept[0] = ::operator new(too_much);
        say("no bad_alloc");
    } catch (const std::bad_alloc&) {
        say("bad_alloc after %d handler calls", handler_calls);
    }
    say("nothrow gives %s", ::operator new(too_much, std::nothrow) == nullptr ? "null" : "a block");
}

void plain() {
    say("checking wanted=%d", mc_checking_wanted() ? 1 : 0);
    int* one = new int(7);
    Wide* wide = new Wide;
    std::vector<std::string> texts(50, std::string(40, 'y'));
    say("aligned new at 64: %s", reinterpret_cast<uintptr_t>(wide) % 64 == 0 ? "yes" : "no");
    say("value=%d registered=%zu", *one, mc_registry.count);
    delete one;
    delete wide;
    kept[1] = new (std::nothrow) char[3];
    say("nothrow gives %s", kept[1] != nullptr ? "a block" : "null");
}

// Other threads of the program allocate while the main thread makes its
// checked calls: each call runs whole before another begins.
void threads() {
    const size_t before = mc_registry.count;
    auto churn = [] {
        for (int i = 0; i < 20000; ++i) {
            std::vector<int> numbers(static_cast<size_t>(1 + i % 50), i);
            int* one = new int(i);
            delete one;
        }
    };
    std::thread first(churn);
    std::thread second(churn);
    char text[32] = "checked copies";
    for (int i = 0; i < 20000; ++i) {
        void* block = mc_malloc_at(static_cast<size_t>(8 + i % 64), "PROBE", 1);
        mc_memcpy_at(block, text, 8, "PROBE", 2, 0);
        mc_free_at(block, "PROBE", 3);
    }
    first.join();
    second.join();
    say("left=%zu", mc_registry.count - before);
    say("errors=%u", static_cast<unsigned>(mc_state.error_mask));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string scenario = argc > 1 ? argv[1] : "";
    if (scenario == "objects") objects();
    else if (scenario == "double-delete") double_delete();
    else if (scenario == "overrun") overrun();
    else if (scenario == "leak") leak();
    else if (scenario == "out-of-memory") out_of_memory();
    else if (scenario == "plain") plain();
    else if (scenario == "threads") threads();
    else return 2;
    return 0;
}
