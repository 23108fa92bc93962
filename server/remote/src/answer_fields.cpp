#include "appserver/remote/answer_fields.h"

namespace appserver::fields {

using platform::dataset::FieldDef;
using platform::dataset::FieldType;

namespace {

FieldDef text(const char* name, int size, bool where = false, bool hidden = false) {
    FieldDef f;
    f.name = name;
    f.type = FieldType::String;
    f.size = size;
    f.flags.where = where;
    f.flags.hidden = hidden;
    return f;
}

FieldDef stamp(const char* name, bool where = false) {
    FieldDef f;
    f.name = name;
    f.type = FieldType::DateTime;
    f.flags.where = where;
    return f;
}

}  // namespace

const std::vector<FieldDef>& atividades() {
    static const std::vector<FieldDef> f = {
        text("HORAINI", 8, true),     text("HORAFIN", 8, true), text("NRTAREFA", 10),
        text("NRPLATIVTARE", 5),      stamp("DTIAPATIVTAR"),    stamp("DTFAPATIVTAR"),
        text("CDFILIAL", 4),          text("NMPROCESSO", 100),  stamp("DATA", true),
        text("TXAPRATIVTAR", 4000),   text("CDOPERADOR", 12),   text("DSREFETAREFA", 100),
        text("CHAVE", 27, true),      text("CHAVE2", 35, true), text("IDSITATIVTAR", 1),
        stamp("DTHIAPATIVTA"),        stamp("DTHFAPATIVTA"),    text("QTHRAPRO", 8, true, true),
        text("ATIVIDADE", 121, true), text("IDCHECK", 1, true),
    };
    return f;
}

const std::vector<FieldDef>& ponto() {
    static const std::vector<FieldDef> f = {text("CDEMPRESA", 2),    stamp("DTBATIDAPTO"),
                                            text("IDSENTBATIDA", 1), text("IDEVENPONTO", 2),
                                            stamp("DTPONTO"),        text("IDORIGPTO", 3)};
    return f;
}

const std::vector<FieldDef>& datas() {
    static const std::vector<FieldDef> f = {stamp("DTIAPATIVTAR")};
    return f;
}

const std::vector<FieldDef>& horaServidor() {
    static const std::vector<FieldDef> f = {stamp("SYSDATE")};
    return f;
}

const std::vector<FieldDef>& pesqTarefa() {
    static const std::vector<FieldDef> f = {text("NRTAREFA", 10),     text("DSREFETAREFA", 100),
                                            text("CDPROJETO", 10),    text("NRBASELINEPR", 3),
                                            text("CDARVPROCESS", 20), text("NMPROCESSO", 100)};
    return f;
}

const std::vector<FieldDef>& pesqAtiv() {
    static const std::vector<FieldDef> f = {text("NRPLATIVTARE", 5), text("CDPROCESSO", 10),
                                            text("NMPROCESSO", 100), text("IDSITATIVTAR", 1),
                                            text("CDARVITTRAB", 20), text("NMITEMTRAB", 100)};
    return f;
}

const std::vector<FieldDef>& vdTarefa() {
    return pesqTarefa();
}

const std::vector<FieldDef>& vdAtiv() {
    static const std::vector<FieldDef> f = {text("CDOPERRESP", 12), text("NMPROCESSO", 100)};
    return f;
}

const std::vector<FieldDef>& apropria() {
    static const std::vector<FieldDef> f = {stamp("DTIAPATIVTAR"),  stamp("DTFAPATIVTAR"),
                                            text("HORAINI", 8),     text("HORAFIN", 8),
                                            stamp("DATA"),          text("CDFILIAL", 4),
                                            text("NRTAREFA", 10),   text("NRPLATIVTARE", 5),
                                            text("CDOPERADOR", 12), text("CHAVE2", 35)};
    return f;
}

const std::vector<FieldDef>& totApro() {
    static const std::vector<FieldDef> f = {text("QTHRAPRO", 8)};
    return f;
}

const std::vector<FieldDef>& totPontoReal() {
    static const std::vector<FieldDef> f = {text("HR", 8)};
    return f;
}

const std::vector<FieldDef>& operEquip() {
    static const std::vector<FieldDef> f = {text("CDOPERADOR", 15), text("NMOPERADOR", 40)};
    return f;
}

const std::vector<FieldDef>& historico() {
    // The values are JSON objects: a description of 4000 characters, escaped, and the rest.
    static const std::vector<FieldDef> f = {
        stamp("DTHALTERACAO"), text("CDUSUARIO", 12), text("DSENDERECO", 45), text("DSACAO", 6),
        text("DSCHAVE", 35),   text("DSANTES", 9000), text("DSDEPOIS", 9000)};
    return f;
}

const std::vector<FieldDef>& ctrlAcesso() {
    static const std::vector<FieldDef> f = {text("CDOPERADOR", 12)};
    return f;
}

}  // namespace appserver::fields
