#pragma once

#include <vector>

#include "dataset/field_def.h"

namespace appserver::fields {

// The fields of each answer, exactly those of the client data set it is
// loaded into: names, order, types, sizes and update flags.

const std::vector<dataset::FieldDef>& atividades();
const std::vector<dataset::FieldDef>& ponto();
const std::vector<dataset::FieldDef>& datas();
const std::vector<dataset::FieldDef>& horaServidor();
const std::vector<dataset::FieldDef>& pesqTarefa();
const std::vector<dataset::FieldDef>& pesqAtiv();
const std::vector<dataset::FieldDef>& vdTarefa();
const std::vector<dataset::FieldDef>& vdAtiv();
const std::vector<dataset::FieldDef>& apropria();
const std::vector<dataset::FieldDef>& totApro();
const std::vector<dataset::FieldDef>& totPontoReal();
const std::vector<dataset::FieldDef>& operEquip();
const std::vector<dataset::FieldDef>& ctrlAcesso();

}  // namespace appserver::fields
