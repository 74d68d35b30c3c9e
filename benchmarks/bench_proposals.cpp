// SPDX-License-Identifier: GPL-3.0-or-later
// Account proposals on a year's ledger of 2,000 entries with accounts: the
// engine learns the first 80 % and proposes the last 20 %; the share it
// gets right (target: at least 90 %) is the counter "hit_rate".
// Run: build/benchmarks/bench_proposals
//
// The ledger is a small restaurant's habits: groups of counterparties and
// descriptions per account, with months, branch names and spacing varied,
// counterparties shared between accounts (a market sells food and
// supplies), and 3 % of entries booked to a wrong account as people do.
#include "core/ledger/AccountProposals.h"
#include "core/text/Cp949.h"

#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

using namespace quill;

namespace {

struct Habit {
    std::int32_t account;
    Category category;
    std::vector<const char*> descriptions;
    std::vector<const char*> counterparties;
    int weight;
};

const std::vector<Habit>& habits()
{
    static const std::vector<Habit> h = {
        {101, Category::Income, {"카드매출", "카드 매출", "일일 카드매출"}, {"BC카드", "신한카드", "KB국민카드", "삼성카드"}, 14},
        {101, Category::Income, {"현금매출", "현금 매출", "배달 매출"}, {"", "배달의민족", "쿠팡이츠"}, 8},
        {102, Category::Income, {"보험금 수령", "고용장려금", "잡이익"}, {"삼성화재", "고용센터", ""}, 1},
        {201, Category::Expense, {"식자재 매입", "고기 매입", "식자재", "공산품 매입"}, {"한우마트", "이마트 트레이더스", "쿠팡", "식자재마트"}, 14},
        {202, Category::Expense, {"채소 구입", "수산물 구입", "쌀 구입", "청과"}, {"농협하나로마트", "노량진수산", "가락시장 청과", "쌀집"}, 10},
        {211, Category::Expense, {"직원 급여", "알바 급여", "상여금", "급여"}, {"김민수", "이영희", "박지훈", "최수아"}, 6},
        {212, Category::Expense, {"부가세 납부", "자동차세", "면허세", "환경개선부담금"}, {"세무서", "구청", ""}, 2},
        {213, Category::Expense, {"월세", "임차료", "가게 월세"}, {"건물주 김OO", "(주)상가관리"}, 4},
        {214, Category::Expense, {"대출 이자", "이자"}, {"기업은행", "신협"}, 2},
        {215, Category::Expense, {"거래처 식사", "거래처 선물", "접대"}, {"한정식집", "백화점", "고깃집"}, 2},
        {217, Category::Expense, {"주유", "차량 수리", "세차"}, {"SK에너지", "GS칼텍스", "오토큐", "세차장"}, 4},
        {218, Category::Expense, {"카드수수료", "배달앱 수수료", "세무 기장료"}, {"BC카드", "배달의민족", "OO세무회계"}, 4},
        {219, Category::Expense, {"주방용품", "포장용기", "세제", "소모품"}, {"다이소", "쿠팡", "포장나라"}, 5},
        {220, Category::Expense, {"직원 식대", "직원 회식", "간식"}, {"김밥천국", "치킨집", "편의점"}, 3},
        {222, Category::Expense, {"인터넷 요금", "휴대폰 요금", "전화요금"}, {"KT", "SKT", "LG U+"}, 3},
        {223, Category::Expense, {"전기요금", "가스요금", "수도요금"}, {"한국전력", "도시가스", "수도사업소"}, 5},
        {224, Category::Expense, {"화재보험", "배상책임보험"}, {"삼성화재", "DB손해보험"}, 1},
        {225, Category::Expense, {"에어컨 수리", "설비 수리", "수리"}, {"에어컨설비", "OO설비"}, 2},
        {226, Category::Expense, {"전단지 인쇄", "네이버 광고", "광고"}, {"인쇄소", "네이버", "당근마켓"}, 2},
        {221, Category::Expense, {"택시비", "KTX", "출장 교통비"}, {"카카오T", "코레일", ""}, 1},
    };
    return h;
}

std::string cp(const std::string& utf8) { return encodeCp949(utf8).bytes.value_or(std::string()); }

std::vector<LedgerEntry> ledger(int n, unsigned seed)
{
    std::mt19937 rng(seed);
    std::vector<int> pool;
    for (std::size_t i = 0; i < habits().size(); ++i)
        for (int w = 0; w < habits()[i].weight; ++w)
            pool.push_back(static_cast<int>(i));
    auto pick = [&](std::size_t size) { return std::uniform_int_distribution<std::size_t>(0, size - 1)(rng); };
    std::vector<LedgerEntry> rows;
    for (int i = 0; i < n; ++i) {
        const Habit& h = habits()[static_cast<std::size_t>(pool[pick(pool.size())])];
        const int month = 1 + i * 12 / n;
        std::string what = h.descriptions[pick(h.descriptions.size())];
        if (pick(3) == 0)
            what = std::to_string(month) + "월 " + what;
        std::string who = h.counterparties[pick(h.counterparties.size())];
        if (!who.empty() && pick(4) == 0)
            who += pick(2) ? " 역삼점" : " 본점";
        LedgerEntry e;
        e.IDAY = "2024." + std::string(month < 10 ? "0" : "") + std::to_string(month) + ".15";
        e.JKYU = cp(what);
        e.SANGHO = cp(who);
        (h.category == Category::Income ? e.INMNY : e.OTMNY) = 10000.0 * static_cast<double>(1 + pick(100));
        e.CTG = h.account;
        if (pick(100) < 3) {  // booked to a wrong account of the same kind
            const Habit& other = habits()[pick(habits().size())];
            if (other.category == h.category)
                e.CTG = other.account;
        }
        rows.push_back(e);
    }
    return rows;
}

void BM_ProposalsHeldOut(benchmark::State& state)
{
    const std::vector<LedgerEntry> rows = ledger(2000, static_cast<unsigned>(state.range(0)));
    const std::size_t split = rows.size() * 8 / 10;
    double hits = 0, proposed = 0, total = 0;
    for (auto _ : state) {
        AccountProposer p;
        p.learn(std::span<const LedgerEntry>(rows.data(), split));
        hits = proposed = total = 0;
        for (std::size_t i = split; i < rows.size(); ++i) {
            const AccountProposal got = p.propose(rows[i]);
            total += 1;
            proposed += got ? 1 : 0;
            hits += got.code == rows[i].CTG ? 1 : 0;
        }
    }
    state.counters["hit_rate"] = hits / total;
    state.counters["proposed"] = proposed / total;
    state.SetItemsProcessed(state.iterations() * static_cast<long long>(rows.size()));
}
BENCHMARK(BM_ProposalsHeldOut)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
