#pragma once

#include <vector>

#include "platform/dataset/field_def.h"

namespace appserver::fields {

// The fields of each answer, exactly those of the client data set it is
// loaded into: names, order, types, sizes and update flags.

const std::vector<platform::dataset::FieldDef>& atividades();
const std::vector<platform::dataset::FieldDef>& ponto();
const std::vector<platform::dataset::FieldDef>& datas();
const std::vector<platform::dataset::FieldDef>& horaServidor();
const std::vector<platform::dataset::FieldDef>& pesqTarefa();
const std::vector<platform::dataset::FieldDef>& pesqAtiv();
const std::vector<platform::dataset::FieldDef>& vdTarefa();
const std::vector<platform::dataset::FieldDef>& vdAtiv();
const std::vector<platform::dataset::FieldDef>& apropria();
const std::vector<platform::dataset::FieldDef>& totApro();
const std::vector<platform::dataset::FieldDef>& totPontoReal();
const std::vector<platform::dataset::FieldDef>& operEquip();
const std::vector<platform::dataset::FieldDef>& ctrlAcesso();
/// The trail of a day (GetHistorico); no client data set loads it yet.
const std::vector<platform::dataset::FieldDef>& historico();

}  // namespace appserver::fields
