// Sorting 1,000,000 random UTF-16 strings: the wide string list with its locale comparison
// against std::sort with the collator called directly.
#include "platform/locale.h"
#include "widetext/WideClasses.h"

#include <QCollator>
#include <QLocale>
#include <QStringView>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

namespace {

constexpr int kCount = 1000000;

// Seeded strings of 1 to 16 characters: mostly Latin letters, some with accents, Greek,
// Cyrillic and CJK characters.
const std::vector<WideString>& randomStrings() {
    static const std::vector<WideString> strings = [] {
        std::mt19937 random(20261209);
        std::uniform_int_distribution<int> length(1, 16), kind(0, 99);
        std::vector<WideString> v;
        v.reserve(kCount);
        for (int i = 0; i < kCount; ++i) {
            WideString s;
            const int n = length(random);
            for (int k = 0; k < n; ++k) {
                const int what = kind(random);
                char16_t c;
                if (what < 60)
                    c = static_cast<char16_t>((random() % 2 ? u'a' : u'A') + random() % 26);
                else if (what < 75)
                    c = static_cast<char16_t>(0xC0 + random() % 0x40);
                else if (what < 85)
                    c = static_cast<char16_t>(0x3B1 + random() % 25);
                else if (what < 95)
                    c = static_cast<char16_t>(0x410 + random() % 64);
                else
                    c = static_cast<char16_t>(0x4E00 + random() % 0x5000);
                s.push_back(c);
            }
            v.push_back(std::move(s));
        }
        return v;
    }();
    return strings;
}

void setUp() { platform::setCollationLocale("de_DE"); }

QCollator directCollator() {
    QCollator collator{QLocale(QStringLiteral("de_DE"))};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

QStringView view(const WideString& s) { return QStringView(s.data(), static_cast<qsizetype>(s.size())); }

template <class F>
double seconds(F f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// The list's own sort (setting Sorted), comparing through CompareStrings.
void BM_WideStringListSort(benchmark::State& state) {
    setUp();
    const auto& strings = randomStrings();
    const QCollator check = directCollator();
    for (auto _ : state) {
        TWideStringList list;
        list.SetCapacity(kCount);
        for (const WideString& s : strings) list.Add(s);
        state.SetIterationTime(seconds([&] { list.SetSorted(true); }));
        for (int i = 1; i < list.Count(); i += 997)
            if (check.compare(view(list[i - 1]), view(list[i])) > 0) state.SkipWithError("the list is not sorted");
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// std::sort with the list's comparison, to tell the comparison path from the algorithm.
void BM_StdSortListCompare(benchmark::State& state) {
    setUp();
    TWideStringList list;
    for (auto _ : state) {
        std::vector<WideString> v = randomStrings();
        state.SetIterationTime(seconds([&] {
            std::sort(v.begin(), v.end(), [&list](const WideString& a, const WideString& b) {
                return list.CompareStrings(a, b) < 0;
            });
        }));
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// std::sort with QCollator::compare directly.
void BM_StdSortCollator(benchmark::State& state) {
    setUp();
    const QCollator collator = directCollator();
    for (auto _ : state) {
        std::vector<WideString> v = randomStrings();
        state.SetIterationTime(seconds([&] {
            std::sort(v.begin(), v.end(),
                      [&collator](const WideString& a, const WideString& b) { return collator.compare(view(a), view(b)) < 0; });
        }));
    }
    state.SetItemsProcessed(state.iterations() * kCount);
}

// One comparison of each neighbouring pair, through the list and through the collator.
void BM_CompareThroughList(benchmark::State& state) {
    setUp();
    const auto& strings = randomStrings();
    TWideStringList list;
    int sum = 0;
    for (auto _ : state)
        for (int i = 1; i < kCount; ++i) sum += list.CompareStrings(strings[i - 1], strings[i]) < 0;
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * (kCount - 1));
}

// The same through the platform call alone.
void BM_CompareThroughPlatform(benchmark::State& state) {
    setUp();
    const auto& strings = randomStrings();
    int sum = 0;
    for (auto _ : state)
        for (int i = 1; i < kCount; ++i)
            sum += platform::compareStringThreadLocale(NORM_IGNORECASE, strings[i - 1], strings[i]) < 2;
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * (kCount - 1));
}

void BM_CompareThroughCollator(benchmark::State& state) {
    setUp();
    const auto& strings = randomStrings();
    const QCollator collator = directCollator();
    int sum = 0;
    for (auto _ : state)
        for (int i = 1; i < kCount; ++i) sum += collator.compare(view(strings[i - 1]), view(strings[i])) < 0;
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations() * (kCount - 1));
}

double fastest(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

}  // namespace

// One sort per run, five runs each; on a busy machine compare the fastest runs or the
// medians, best with --benchmark_enable_random_interleaving=true.
BENCHMARK(BM_WideStringListSort)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)->ComputeStatistics("min", fastest)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortListCompare)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)->ComputeStatistics("min", fastest)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdSortCollator)->Iterations(1)->Repetitions(5)->ReportAggregatesOnly(true)->ComputeStatistics("min", fastest)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareThroughList)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareThroughPlatform)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareThroughCollator)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
