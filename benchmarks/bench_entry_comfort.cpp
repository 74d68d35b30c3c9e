// SPDX-License-Identifier: GPL-3.0-or-later
// Suggestions and the find bar over a million entries. Each figure prints
// beside its target (target_ms). Run: build-bench/benchmarks/bench_entry_comfort
#include "core/text/Cp949.h"
#include "core/editor/SuggestionIndex.h"
#include "core/ledger/WorkingTable.h"
#include "core/view/LedgerFind.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>

using namespace quill;

namespace {

// Korean-looking texts from random syllables: `distinct` descriptions and a
// fifth as many counterparties, used with a skewed frequency as real ledgers
// are.
std::string word(std::mt19937& rng, int syllables)
{
    std::u32string u;
    for (int k = 0; k < syllables; ++k)
        u.push_back(static_cast<char32_t>(0xAC00 + rng() % 11172));
    std::string utf8;
    for (char32_t c : u) {
        utf8.push_back(static_cast<char>(0xE0 | (c >> 12)));
        utf8.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        utf8.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
    Cp949Encoding e = encodeCp949(utf8);
    // Syllables outside CP949's 2,350: try again with "가".
    return e.bytes ? *e.bytes : std::string("\xB0\xA1");
}

WorkingTable& millionTable()
{
    static WorkingTable t;
    if (t.isOpen())
        return t;
    std::mt19937 rng(7);
    std::vector<std::string> descriptions, counterparties;
    for (int i = 0; i < 20000; ++i)
        descriptions.push_back(word(rng, 2 + static_cast<int>(rng() % 4)));
    for (int i = 0; i < 4000; ++i)
        counterparties.push_back(word(rng, 2 + static_cast<int>(rng() % 3)) + "\xBB\xF3\xC8\xB8");  // …상회
    std::geometric_distribution<int> skew(0.0005);
    const int n = 1000000;
    t.reserve(n);
    char day[16];
    for (int i = 0; i < n; ++i) {
        LedgerEntry e;
        std::snprintf(day, sizeof day, "%04d.%02d.%02d", 2000 + i % 25, 1 + i % 12, 1 + i % 28);
        e.IDAY = day;
        e.JKYU = descriptions[static_cast<std::size_t>(skew(rng)) % descriptions.size()];
        e.SANGHO = counterparties[static_cast<std::size_t>(skew(rng)) % counterparties.size()];
        e.OTMNY = i;
        e.ETC = "\xBC\xBC\xB0\xE8";
        t.appendRaw(e);
    }
    t.orderBy("IDAY");
    t.open();
    return t;
}

void BM_BuildSuggestionIndex(benchmark::State& state)
{
    WorkingTable& t = millionTable();
    for (auto _ : state) {
        SuggestionIndex index;
        index.build(t);
        benchmark::DoNotOptimize(index.distinctCount(SuggestionIndex::Field::Description));
    }
    state.counters["target_ms"] = 300;
    state.counters["entries"] = static_cast<double>(t.rowCount());
}
BENCHMARK(BM_BuildSuggestionIndex)->Unit(benchmark::kMillisecond)->Iterations(3);

// One keystroke each: the typed text grows syllable by syllable, in 초성 and
// in syllables, over the most common description.
void BM_SuggestPerKeystroke(benchmark::State& state)
{
    WorkingTable& t = millionTable();
    static SuggestionIndex index;
    if (index.distinctCount(SuggestionIndex::Field::Description) == 0)
        index.build(t);
    const char* queries[] = {"ㄱ", "ㄱㄴ", "가", "각", "가나", "ㅅ", "ㅅㅇ", "서", "서우", "서울"};
    std::size_t k = 0;
    for (auto _ : state) {
        const auto field = k % 2 ? SuggestionIndex::Field::Counterparty : SuggestionIndex::Field::Description;
        benchmark::DoNotOptimize(index.suggest(field, queries[k % 10], 10));
        ++k;
    }
    state.counters["target_ms"] = 10;
}
BENCHMARK(BM_SuggestPerKeystroke)->Unit(benchmark::kMillisecond);

// A new search: its first match from the top of a million shown rows, for a
// text that is common, one in 초성 and one that no row holds (the whole
// table is read).
void BM_FindFirstMatch(benchmark::State& state)
{
    WorkingTable& t = millionTable();
    const char* queries[] = {"\xEC\x83\x81\xED\x9A\x8C", "ㄱㄴ", "없는말없는말"};  // 상회
    const char* query = queries[state.range(0)];
    for (auto _ : state) {
        LedgerFind find(query);
        benchmark::DoNotOptimize(find.next(t, -1, false));
    }
    state.counters["target_ms"] = 50;
}
BENCHMARK(BM_FindFirstMatch)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The count "n / m": every match of the million rows.
void BM_FindCountAll(benchmark::State& state)
{
    WorkingTable& t = millionTable();
    const char* queries[] = {"\xEC\x83\x81\xED\x9A\x8C", "ㄱㄴ", "없는말없는말"};
    const char* query = queries[state.range(0)];
    std::size_t found = 0;
    for (auto _ : state) {
        LedgerFind find(query);
        found = find.all(t).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["matches"] = static_cast<double>(found);
}
BENCHMARK(BM_FindCountAll)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
