// migrad_step.cpp -- the engine's tests minimise with the program's MIGRAD step, set before
// any test runs just as the program sets it at start-up; and every minimising command
// reaches the step that was set.

#include "fit_loop.h"
#include "mn_test.h"

namespace {

const bool step_set = (mn_set_migrad(mnmigr), true);

int steps = 0;

void counted_step(mnfcn fcn, void* futil)
{
    ++steps;
    mnmigr(fcn, futil);
}

void bowl(int, double[], double& f, double x[], int, void*)
{
    const double a = x[1] - 1, b = x[2] + 2;
    f = 4 * a * a + 2 * a * b + 3 * b * b;
}

class MigradStep : public MnTest {
protected:
    void SetUp() override
    {
        MnTest::SetUp();
        define(1, "a", 0, 0.1);
        define(2, "b", 0, 0.1);
        steps = 0;
    }
    void TearDown() override
    {
        mn_set_migrad(mnmigr);
        MnTest::TearDown();
    }
};

TEST_F(MigradStep, EveryMinimisingCommandCallsTheStepSet)
{
    ASSERT_TRUE(step_set);
    mn_set_migrad(counted_step);
    struct Row { const char* word; std::vector<double> args; };
    const Row rows[] = {{"MIGRAD", {}}, {"MINIMIZE", {}}, {"MINOS", {}}, {"IMPROVE", {}}};
    for (const Row& r : rows) {
        const int before = steps;
        EXPECT_EQ(command(bowl, r.word, r.args), 0) << r.word;
        EXPECT_GT(steps, before) << r.word;
    }
    EXPECT_NEAR(value(1), 1, 1e-3);
    EXPECT_NEAR(value(2), -2, 1e-3);
}

TEST_F(MigradStep, NoStepSetStopsTheProgramAndSaysSo)
{
    mn_set_migrad(nullptr);
    EXPECT_DEATH(command(bowl, "MIGRAD"), "no MIGRAD step was set");
}

}  // namespace
