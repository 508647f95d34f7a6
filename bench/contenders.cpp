#include "contenders.h"

#include <cassert>  // boost/random uses assert without including it

#include <boost/crc.hpp>
#include <boost/random/mersenne_twister.hpp>
#include <ctime>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <utility>

#include "tag/crc32.h"
#include "tag/mt_routines.h"
#include "tag/tag_composer.h"

namespace zentrail_bench {
namespace {

// Tells the optimiser that the memory behind p may have been read or changed,
// so that work on it is neither hoisted out of a loop nor dropped.
inline void escape(const void* p) { asm volatile("" : : "g"(p) : "memory"); }

constexpr std::uint32_t kBlock = kMtWords;

// The name of one refresh: 20 bytes, as the goal is stated.
constexpr char kName[] = "Original-name-20byte";
constexpr std::size_t kNameSize = sizeof(kName) - 1;
static_assert(kNameSize == 20, "the refresh goal is stated for a 20-byte name");

using BoostCrc = boost::crc_optimal<32, 0x04C11DB7, 0xFFFFFFFF, 0xFFFFFFFF, false, false>;

std::uint32_t boost_crc(const unsigned char* bytes, std::size_t count) {
    BoostCrc crc;
    crc.process_bytes(bytes, count);
    return crc.checksum();
}

std::string hex(std::uint32_t value) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = kDigits[value & 15];
    return text;
}

// Base 62 written out again with its own alphabet, to check EncodeBaseN.
std::string reference_base62(std::uint32_t value) {
    static const char kAlphabet[] =
        "0123456789"
        "abcdefghijklmnopqrstuvwxyz"
        "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    std::string digits;
    for (; value != 0; value /= 62) digits.insert(digits.begin(), kAlphabet[value % 62]);
    return digits;
}

// Values every standard MT19937 must give: (seed, position from 1, value).
struct KnownValue {
    std::uint32_t seed;
    std::uint32_t position;
    std::uint32_t value;
};
constexpr KnownValue kKnownValues[] = {
    {5489u, 1, 3499211612u},      {5489u, 624, 4020325887u},     {5489u, 625, 4178893912u},
    {5489u, 10000, 4123659995u},  {0u, 1, 2357136044u},          {1u, 1, 1791095845u},
    {4294967295u, 1, 419326371u}, {1234567890u, 1, 2657703298u},
};

// Checks an engine type of the standard library's interface against the
// published values.
template <class Engine>
std::string check_engine() {
    for (const KnownValue& known : kKnownValues) {
        Engine engine(known.seed);
        engine.discard(known.position - 1);
        const std::uint32_t value = static_cast<std::uint32_t>(engine());
        if (value != known.value) {
            return "seed " + std::to_string(known.seed) + ", value " +
                   std::to_string(known.position) + ": " + std::to_string(value) + ", expected " +
                   std::to_string(known.value);
        }
    }
    return {};
}

// Compares count values of a generator with std::mt19937 of the same seed.
std::string compare_with_standard(MtState* generator, std::uint32_t seed, std::uint32_t count) {
    std::mt19937 reference(seed);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t expected = static_cast<std::uint32_t>(reference());
        const std::uint32_t value = mt_next(generator);
        if (value != expected) {
            return "seed " + std::to_string(seed) + ", value " + std::to_string(i + 1) + ": " +
                   std::to_string(value) + ", expected " + std::to_string(expected);
        }
    }
    return {};
}

constexpr std::uint32_t kCheckSeeds[] = {5489u, 0u, 1u, 4294967295u, 1234567890u};

// --- contenders --------------------------------------------------------------

template <class Engine>
Contender engine_block(const std::string& name) {
    auto engine = std::make_shared<Engine>(5489u);
    return {name,
            [engine](std::uint64_t ops) {
                std::uint32_t sum = 0;
                for (std::uint64_t op = 0; op < ops; ++op) {
                    for (std::uint32_t i = 0; i < kBlock; ++i) {
                        sum += static_cast<std::uint32_t>((*engine)());
                    }
                }
                return sum;
            },
            check_engine<Engine>};
}

// A new engine per seed, then its first value: what one refresh needs of it.
template <class Engine>
Contender engine_seed_first(const std::string& name) {
    auto next_seed = std::make_shared<std::uint32_t>(1);
    return {name,
            [next_seed](std::uint64_t ops) {
                std::uint32_t sum = 0;
                for (std::uint64_t op = 0; op < ops; ++op) {
                    // The engine stays observable after both steps, so that
                    // neither seeding nor the regeneration behind the first
                    // value can be cut short as dead stores.
                    Engine engine((*next_seed)++);
                    escape(&engine);
                    sum += static_cast<std::uint32_t>(engine());
                    escape(&engine);
                }
                return sum;
            },
            check_engine<Engine>};
}

Contender regen(const std::string& name, RegenRoutine routine) {
    auto generator = std::make_shared<MtGenerator>(5489u);
    return {name,
            [generator, routine](std::uint64_t ops) {
                MtState* const state = generator->handle;
                std::uint32_t sum = 0;
                for (std::uint64_t op = 0; op < ops; ++op) {
                    routine(state);
                    sum += state->output[kBlock - 1];
                }
                return sum;
            },
            [routine] { return check_regen(routine); }};
}

// mt_next as callers use it, on a generator that picked routine.
Contender next_values(const std::string& name, const MtRoutineEntry& routine) {
    auto generator = std::make_shared<MtGenerator>(5489u);
    return {name,
            [generator](std::uint64_t ops) {
                MtState* const state = generator->handle;
                std::uint32_t sum = 0;
                for (std::uint64_t op = 0; op < ops; ++op) {
                    for (std::uint32_t i = 0; i < kBlock; ++i) sum += mt_next(state);
                }
                return sum;
            },
            [generator, &routine]() -> std::string {
                if (generator->handle == nullptr) return "no generator";
                if (generator->handle->regenerate != routine.regenerate) {
                    return std::string("the generator did not pick mt_regen_") + routine.name;
                }
                for (const std::uint32_t seed : kCheckSeeds) {
                    MtGenerator fresh(seed);
                    if (fresh.handle == nullptr) return "no generator";
                    const std::string wrong =
                        compare_with_standard(fresh.handle, seed, 3 * kBlock + 1);
                    if (!wrong.empty()) return wrong;
                }
                return {};
            }};
}

// The computation of one refresh tick, as the dialog's timer runs it: a
// generator seeded from the clock, the table check, the tag of the name, with
// the fallback value drawn only when the name has no code.
std::string refresh(const std::string& tag, const std::string& name) {
    MtGenerator random;
    BuildCrc32Table();
    return ComposeTag(tag, name, random);
}

// The tick's tag for a name whose checksum is 0: the first value of a
// generator seeded with a second from [low, high], if any matches.
bool is_fallback_of_seconds(const std::string& text, const std::string& prefix, std::uint32_t low,
                            std::uint32_t high) {
    for (std::uint32_t second = low;; ++second) {
        std::mt19937 reference(second);
        if (text == prefix + std::to_string(static_cast<std::uint32_t>(reference()))) return true;
        if (second == high) return false;
    }
}

Contender refresh_contender(const std::string& name) {
    auto texts = std::make_shared<std::pair<std::string, std::string>>("#bench", kName);
    return {name,
            [texts](std::uint64_t ops) {
                std::uint32_t sum = 0;
                for (std::uint64_t op = 0; op < ops; ++op) {
                    escape(texts->second.data());
                    const std::string tag = refresh(texts->first, texts->second);
                    escape(tag.data());
                    sum += static_cast<std::uint32_t>(tag.size()) +
                           static_cast<unsigned char>(tag.back());
                }
                return sum;
            },
            [texts]() -> std::string {
                const auto* bytes = reinterpret_cast<const unsigned char*>(kName);
                const std::string code = reference_base62(reference_crc(bytes, kNameSize));
                if (code.empty()) return "the name has no code";
                const std::string prefix = texts->first + "_";
                const std::string tag = refresh(texts->first, texts->second);
                if (tag != prefix + code) return "tag " + tag + ", expected " + prefix + code;
                // An empty name has checksum 0: the tag ends in the first value
                // of the second the generator was seeded with.
                const auto before = static_cast<std::uint32_t>(std::time(nullptr));
                const std::string fallback = refresh(texts->first, std::string());
                const auto after = static_cast<std::uint32_t>(std::time(nullptr));
                if (!is_fallback_of_seconds(fallback, prefix, before, after)) {
                    return "tag of an empty name " + fallback +
                           ", not the first value of the current second";
                }
                return {};
            }};
}

// Reading the clock as every tick does to seed its generator, checked against
// time(): timed on its own because under Wine it may cost more than the
// arithmetic.
Contender clock_contender(const std::string& name) {
    return {name,
            [](std::uint64_t ops) {
                std::uint32_t sum = 0;
                for (std::uint64_t op = 0; op < ops; ++op) {
                    sum += mt_clock_second();
                    escape(&sum);
                }
                return sum;
            },
            []() -> std::string {
                const auto before = static_cast<std::uint32_t>(std::time(nullptr));
                const std::uint32_t second = mt_clock_second();
                const auto after = static_cast<std::uint32_t>(std::time(nullptr));
                if (second < before || second > after) {
                    return "the clock reads " + std::to_string(second) + ", time() " +
                           std::to_string(before);
                }
                return {};
            }};
}

// The routine is a template argument, so that it is called directly and can
// be inlined (as Boost's is) rather than called through a pointer.
template <CrcRoutine routine>
Contender checksum(const std::string& name, std::size_t size) {
    auto bytes = std::make_shared<std::vector<unsigned char>>(make_bytes(size));
    return {name,
            [bytes](std::uint64_t ops) {
                const unsigned char* const data = bytes->data();
                const std::size_t count = bytes->size();
                std::uint32_t sum = 0;
                for (std::uint64_t op = 0; op < ops; ++op) {
                    escape(data);
                    sum += routine(data, count);
                }
                return sum;
            },
            [bytes] { return check_crc(routine, *bytes); }};
}

}  // namespace

std::uint32_t reference_crc(const unsigned char* bytes, std::size_t count) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < count; ++i) {
        c ^= static_cast<std::uint32_t>(bytes[i]) << 24;
        for (int bit = 0; bit < 8; ++bit) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
    }
    return ~c;
}

std::vector<unsigned char> make_bytes(std::size_t count) {
    std::vector<unsigned char> bytes(count);
    std::uint32_t x = 2463534242u;  // xorshift32
    for (unsigned char& b : bytes) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b = static_cast<unsigned char>(x >> 24);
    }
    return bytes;
}

std::string check_crc(CrcRoutine routine, const std::vector<unsigned char>& bytes) {
    static const unsigned char kCheck[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    if (reference_crc(kCheck, sizeof kCheck) != 0xFC891918u) return "the reference is broken";
    // The whole range, and its start and end at every alignment, so that an
    // unrolled loop's head and tail are covered too.
    const std::size_t size = bytes.size();
    for (std::size_t head = 0; head < 8 && head <= size; ++head) {
        for (std::size_t tail = 0; tail < 8 && head + tail <= size; ++tail) {
            const unsigned char* const start = bytes.data() + head;
            const std::size_t count = size - head - tail;
            const std::uint32_t value = routine(start, count);
            const std::uint32_t expected = reference_crc(start, count);
            if (value != expected) {
                return std::to_string(count) + " bytes from offset " + std::to_string(head) + ": " +
                       hex(value) + ", expected " + hex(expected);
            }
            if (size > 4096) return {};  // the long range once is enough
        }
    }
    return {};
}

std::string check_regen(RegenRoutine routine) {
    for (const std::uint32_t seed : kCheckSeeds) {
        MtGenerator generator(seed);
        MtState* const state = generator.handle;
        if (state == nullptr) return "no generator";
        std::mt19937 reference(seed);
        for (std::uint32_t block = 0; block < 4; ++block) {
            routine(state);
            if (state->index != 0) return "index not 0 after regeneration";
            for (std::uint32_t i = 0; i < kBlock; ++i) {
                const auto expected = static_cast<std::uint32_t>(reference());
                if (state->output[i] != expected) {
                    return "seed " + std::to_string(seed) + ", value " +
                           std::to_string(block * kBlock + i + 1) + ": " +
                           std::to_string(state->output[i]) + ", expected " +
                           std::to_string(expected);
                }
            }
        }
    }
    return {};
}

std::vector<Contender> make_contenders() {
    std::vector<Contender> all;
    all.push_back(engine_block<std::mt19937>("std_mt19937/624_values"));
    all.push_back(engine_block<boost::random::mt19937>("boost_mt19937/624_values"));
    for (const MtRoutineEntry& routine : kMtRoutines) {
        if (!mt_routine_supported(routine)) continue;
        all.push_back(
            regen(std::string("mt_regen_") + routine.name + "/624_words", routine.regenerate));
    }
    // mt_next is timed with the widest vector routine of the build, where the
    // processor runs it: the one the goals compare with the standard engine.
    const MtRoutineEntry& widest = kMtRoutines[std::size(kMtRoutines) - 1];
    if (widest.needs != 0 && mt_widest_routine().regenerate == widest.regenerate) {
        all.push_back(next_values(std::string("mt_next_") + widest.name + "/624_values", widest));
    }
    all.push_back(engine_seed_first<std::mt19937>("std_mt19937/seed_first"));
    all.push_back(engine_seed_first<boost::random::mt19937>("boost_mt19937/seed_first"));
    all.push_back(refresh_contender("refresh/20B_name"));
    all.push_back(clock_contender("clock/time"));
    struct Size {
        const char* label;
        std::size_t bytes;
    };
    for (const Size size : {Size{"16B", 16}, Size{"1KiB", 1024}, Size{"1MiB", 1u << 20}}) {
        all.push_back(checksum<crc32_routine>(std::string("Crc32/") + size.label, size.bytes));
        all.push_back(checksum<boost_crc>(std::string("boost_crc/") + size.label, size.bytes));
    }
    return all;
}

}  // namespace zentrail_bench
