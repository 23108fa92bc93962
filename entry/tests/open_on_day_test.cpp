// IniProcParams: the screen opened on an operator and a day that another
// screen asks for, before and after its first activation.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>

#include <memory>
#include <vector>

#include "entry/cria_apropriacao.h"
#include "entry_fixture.h"
#include "framework/application.h"
#include "framework/busy.h"
#include "framework/date_edit_plus.h"
#include "framework/errors.h"
#include "platform/ui/masked_edit.h"
#include "platform/ui/scripted_dialog_service.h"
#include "screen/cli_zep00700.h"
#include "screen/frm_apropriacao_access.h"

namespace Z = Cli_Zep00700;
using framework::Application;
namespace pds = platform::dataset;

namespace {

class OpenOnDayTest : public entry_testing::EntryTest {
protected:
    static void openOn(std::vector<const char*> params) {
        Z::IniProcParams(static_cast<int>(params.size()), params.data());
    }
};

TEST_F(OpenOnDayTest, ANewScreenStandsOnTheDayAfterItsFirstActivation) {
    openOn({"CDOPERADOR=000000000102", "DTDIA=2025-03-31"});
    settle();
    ASSERT_NE(Z::frmApropriacao, nullptr);
    Z::TfrmApropriacaoAccess form{*Z::frmApropriacao};
    EXPECT_TRUE(errors().isEmpty()) << errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(form.medCdOper->text(), QStringLiteral("000000000102"));
    EXPECT_EQ(form.edtNmOper->text(), QStringLiteral("Bruno Lima"));
    EXPECT_EQ(form.depAgenda->GetDate(), pds::DateTime::date(2025, 3, 31));
    EXPECT_TRUE(Z::boFiltrado);
    EXPECT_EQ(form.cdsAtividades.recordCount(), 1);
}

TEST_F(OpenOnDayTest, AnOpenScreenMovesToTheDayAtOnce) {
    Z::IniProc();
    settle();
    ASSERT_NE(Z::frmApropriacao, nullptr);
    ASSERT_FALSE(Z::boPrimVez);
    openOn({"DTDIA=2025-03-28", "CDOPERADOR=000000000101"});
    Z::TfrmApropriacaoAccess form{*Z::frmApropriacao};
    EXPECT_EQ(form.depAgenda->GetDate(), pds::DateTime::date(2025, 3, 28));
    EXPECT_EQ(form.cdsAtividades.recordCount(), 2);
    EXPECT_EQ(form.cdsPonto.recordCount(), 2);
    EXPECT_EQ(area->subWindowList().size(), 1);
}

TEST_F(OpenOnDayTest, AnOperatorOutsideTheUsersTeamsIsRefusedAsTheFilterRefusesHim) {
    Z::IniProc();
    settle();
    EXPECT_ANY_THROW(openOn({"CDOPERADOR=000000000104", "DTDIA=2025-03-28"}));
    ASSERT_EQ(errors().size(), 1);
    EXPECT_EQ(errors().constFirst(),
              QStringLiteral("Operador não cadastrado para equipe de trabalho do usuário."));
}

TEST_F(OpenOnDayTest, MissingUnknownOrMalformedParametersOpenNothing) {
    EXPECT_THROW(openOn({"CDOPERADOR=000000000101"}), framework::Error);
    EXPECT_THROW(openOn({"CDOPERADOR=000000000101", "DTDIA=2025-02-30"}), framework::Error);
    EXPECT_THROW(openOn({"CDOPERADOR=000000000101", "DTDIA=2025-03-28", "HORA=10"}),
                 framework::Error);
    EXPECT_EQ(Z::frmApropriacao, nullptr);
    EXPECT_TRUE(area->subWindowList().isEmpty());
}

}  // namespace
