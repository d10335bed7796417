// The configuration files the jobs consult: V3Model.ini, Category.ini and
// Baudrate.ini of the session's application folder (its workspace's tables).

#include "comm/jobs/Jobs.h"
#include "files/Workspace.h"
#include "program/ProgramModel.h"
#include "shell/ConfigTables.h"

namespace rq50::comm::jobs {

void UseConfigurationFiles(CommEngine& engine) {
    auto& t = engine.Tables();
    t.isV3Model = [&engine](const std::string& model) {
        return engine.Data().config.IsModelRegistered(model);
    };
    t.findCategory = [&engine](const std::string& model) {
        const program::CategoryLookup found =
            program::FindCategoryEntry(program::LoadedCategoryTable(engine.Data().config), model);
        CategoryAreas areas;
        areas.found = !found.programStart.empty() || !found.constStart.empty();
        areas.steps = found.stepCount;
        areas.programStart = found.programStart;
        areas.constants = found.constCount;
        areas.constStart = found.constStart;
        return areas;
    };
    t.findBaudRate = [&engine](const std::string& model) -> std::optional<BaudRateRow> {
        std::vector<shell::BaudRateEntry> rows;
        const int index =
            engine.Data().config.FindBaudRateEntry(model, &rows, engine.Data().hosts.navigation);
        if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) return std::nullopt;
        const auto& r = rows[static_cast<std::size_t>(index)];
        return BaudRateRow{r.modelPattern, r.ma, r.mb, r.mc, r.valuePrefix, r.code9600, r.code1200};
    };
}

}  // namespace rq50::comm::jobs
