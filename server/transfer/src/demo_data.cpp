#include "appserver/transfer/demo_data.h"

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include <array>
#include <random>

namespace appserver {

using nlohmann::json;
using platform::dataset::DateTime;

namespace {

constexpr std::array<const char*, 12> kNames = {
    "Ana Souza",     "Bruno Carvalho", "Carla Mendes",   "Diego Ferreira",
    "Eduarda Lima",  "Fábio Rocha",    "Gabriela Nunes", "Henrique Alves",
    "Isabela Costa", "João Pereira",   "Larissa Gomes",  "Marcos Ribeiro"};
constexpr std::array<const char*, 3> kTeams = {"Desenvolvimento", "Suporte", "Implantação"};
constexpr std::array<const char*, 15> kTaskNames = {
    "Módulo de faturamento",    "Integração bancária",    "Portal do cliente",
    "Migração do cadastro",     "Relatórios gerenciais",  "Controle de estoque",
    "Folha de pagamento",       "Atendimento ao cliente", "Implantação filial Sul",
    "Treinamento de usuários",  "Auditoria de acessos",   "Conciliação contábil",
    "Emissão de notas fiscais", "Automação de testes",    "Infraestrutura de rede"};
constexpr std::array<const char*, 4> kActivityNames = {
    "Levantamento de requisitos", "Desenvolvimento", "Testes e homologação", "Documentação"};
constexpr std::array<const char*, 6> kDescriptions = {
    "Reunião com o cliente para alinhar o escopo.", "Ajustes conforme revisão de código.",
    "Correção de falhas apontadas nos testes.",     "Elaboração do manual do usuário.",
    "Acompanhamento da implantação em produção.",   "Análise de desempenho das consultas."};

std::string code(int n, int width) {
    return fmt::format("{:0{}}", n, width);
}

}  // namespace

json makeDemoData(const DateTime& today) {
    std::mt19937 rng(static_cast<unsigned>(today.dayNumber()));
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    json data;
    data["branches"] = json::array(
        {{{"code", "0001"}, {"name", "Matriz"}}, {{"code", "0002"}, {"name", "Filial Sul"}}});
    data["teams"] = json::array();
    for (std::size_t t = 0; t < kTeams.size(); ++t)
        data["teams"].push_back({{"code", fmt::format("EQ{:02}", t + 1)}, {"name", kTeams[t]}});

    data["operators"] = json::array();
    for (std::size_t i = 0; i < kNames.size(); ++i) {
        const int team = static_cast<int>(i / 4);
        json branches = json::array({"0001"});
        if (i % 4 == 3) branches.push_back("0002");
        // The demonstration user supervises the first team: the month's
        // summary and its closing are open to him.
        json screens =
            i == 0 ? json::array({"Zep00700", "Zep00710", "Zep00720"}) : json::array({"Zep00700"});
        data["operators"].push_back({{"code", code(101 + static_cast<int>(i), 12)},
                                     {"name", kNames[i]},
                                     {"password", kDemoPassword},
                                     {"branches", branches},
                                     {"screens", screens},
                                     {"teams", json::array({fmt::format("EQ{:02}", team + 1)})}});
    }

    data["tasks"] = json::array();
    data["activities"] = json::array();
    for (int b = 0; b < 2; ++b) {
        const std::string branch = code(b + 1, 4);
        for (int t = 0; t < 15; ++t) {
            const std::string task = code(b * 100 + t + 1, 10);
            data["tasks"].push_back(
                {{"branch", branch},
                 {"task", task},
                 {"description", kTaskNames[static_cast<std::size_t>(t)]},
                 {"project", fmt::format("PRJ{:03}", t % 5 + 1)},
                 {"baseline", "001"},
                 {"processCode", fmt::format("PROC.{:02}", t + 1)},
                 {"processName",
                  fmt::format("Processo de {}", kTaskNames[static_cast<std::size_t>(t)])}});
            for (int a = 0; a < 4; ++a) {
                json operators = json::array();
                // Some activities are reserved to two operators; the rest are open to everyone.
                if (t % 5 == 4 && a == 3) operators = json::array({code(101, 12), code(102, 12)});
                const char* situation = a == 0 ? "A" : (a == 3 ? "P" : (t % 3 == 0 ? "C" : "A"));
                data["activities"].push_back(
                    {{"branch", branch},
                     {"task", task},
                     {"activity", code(a + 1, 5)},
                     {"processCode", fmt::format("P{:02}{:02}", t + 1, a + 1)},
                     {"processName", kActivityNames[static_cast<std::size_t>(a)]},
                     {"situation", situation},
                     {"workItemCode", fmt::format("IT.{:02}.{:02}", t + 1, a + 1)},
                     {"workItemName",
                      fmt::format("{} - {}", kActivityNames[static_cast<std::size_t>(a)],
                                  kTaskNames[static_cast<std::size_t>(t)])},
                     {"responsible", code(101 + (t % 12), 12)},
                     {"operators", operators}});
            }
        }
    }

    data["appropriations"] = json::array();
    data["punches"] = json::array();
    const DateTime first = today.datePart().addDays(-90);
    // The demonstration user's last whole working day shows every kind of
    // row: one typed in afterwards, one left open, one past the exit punch.
    DateTime showcaseDay = today.datePart().addDays(-1);
    while (showcaseDay.dayOfWeek() == 0 || showcaseDay.dayOfWeek() == 6)
        showcaseDay = showcaseDay.addDays(-1);
    for (int d = 0; d <= 90; ++d) {
        const DateTime day = first.addDays(d);
        if (day.dayOfWeek() == 0 || day.dayOfWeek() == 6) continue;
        const bool isToday = day == today.datePart();
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            const std::string op = code(101 + static_cast<int>(i), 12);
            const bool showcase = i == 0 && day == showcaseDay;
            if (!showcase && pick(0, 19) == 0) continue;  // a day off now and then
            const int in1 = 8 * 3600 + pick(-15, 15) * 60, out1 = 12 * 3600 + pick(-10, 10) * 60;
            const int in2 = 13 * 3600 + pick(-10, 10) * 60,
                      out2 = 17 * 3600 + 30 * 60 + pick(-20, 20) * 60;
            const std::array<std::pair<int, const char*>, 4> punches = {
                std::pair{in1, "E1"}, std::pair{out1, "S1"}, std::pair{in2, "E2"},
                std::pair{out2, "S2"}};
            for (const auto& [at, event] : punches) {
                const DateTime when = day.addSeconds(at);
                if (isToday && when > today) break;
                data["punches"].push_back({{"company", "01"},
                                           {"operator", op},
                                           {"at", when.toIso()},
                                           {"direction", event[0] == 'E' ? "1" : "2"},
                                           {"event", event},
                                           {"day", day.toIsoDate()},
                                           {"origin", pick(0, 9) == 0 ? "MAN" : "CAT"}});
            }
            // Morning and afternoon split into a few appropriations; a late
            // finish now and then lies outside the punches and gets flagged.
            const std::array<std::pair<int, int>, 2> halves = {std::pair{in1, out1},
                                                               std::pair{in2, out2}};
            const std::string branch = (i % 4 == 3 && d % 2 == 0) ? "0002" : "0001";
            for (std::size_t h = 0; h < halves.size(); ++h) {
                int from = halves[h].first + pick(0, 10) * 60;
                const bool stayedLate = showcase ? h == 1 : pick(0, 14) == 0;
                const int until = halves[h].second + (stayedLate ? 45 * 60 : 0);
                const int pieces = showcase ? 2 : pick(1, 2);
                for (int p = 0; p < pieces; ++p) {
                    const int to = p + 1 == pieces ? until : from + (until - from) / 2;
                    const int task = pick(0, 14);
                    const int activity = pick(1, 3);
                    const DateTime start = day.addSeconds(from), end = day.addSeconds(to);
                    if (isToday && start > today) break;
                    // Today the activity under way is still open; now and then
                    // an earlier one was left open too.
                    const bool open = isToday    ? end > today
                                      : showcase ? h == 0 && p == 1
                                                 : (d > 80 && pick(0, 12) == 0);
                    // Most entries are recorded as they happen (their stamps are
                    // their times); one in four is typed in afterwards.
                    const bool late = showcase ? h == 0 && p == 0 : pick(0, 3) == 0;
                    const DateTime typed = end.addSeconds(60 * pick(1, 30));
                    const DateTime recorded = typed > today ? today : typed;
                    data["appropriations"].push_back(
                        {{"operator", op},
                         {"branch", branch},
                         {"task", code((branch == "0002" ? 100 : 0) + task + 1, 10)},
                         {"activity", code(activity, 5)},
                         {"start", start.toIso()},
                         {"end", open ? json(nullptr) : json(end.toIso())},
                         {"stampStart", (late ? recorded : start).toIso()},
                         {"stampEnd", open ? json(nullptr) : json((late ? recorded : end).toIso())},
                         {"description", kDescriptions[static_cast<std::size_t>(pick(0, 5))]}});
                    from = to;
                    if (open) break;
                }
            }
        }
    }
    return data;
}

}  // namespace appserver
