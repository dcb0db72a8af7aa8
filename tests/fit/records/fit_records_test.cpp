// fit_records_test.cpp -- layout and reset rules of the shared fit records.
#include <gtest/gtest.h>

#include <numbers>

#include "fit_records.h"

// A column of a 2-D record is one spectrum's slots, contiguous and 1-based.
TEST(FitRecords, ColumnMajorSlots)
{
    Arr2<int, n_slots, max_spectra_arrays> a;
    a(1, 2) = 11;
    a(10, 2) = 20;
    a(1, 3) = 21;
    EXPECT_EQ(a.col(2)[0], 11);
    EXPECT_EQ(a.col(2)[9], 20);
    EXPECT_EQ(a.col(2) + 10, a.col(3));
    FArray<int, 0, 99> loc;
    loc(0) = 5;
    EXPECT_EQ(loc.data()[0], 5);
    EXPECT_EQ(loc.count, 100u);
}

// bin and err share data3; bin_th is the front of data1.
TEST(FitRecords, DataViews)
{
    fitdata.bin(1) = 1.5f;
    fitdata.err(1) = 0.5f;
    fitdata.bin_th(3) = 2.5f;
    EXPECT_EQ(fitdata.data3(1), 1.5f);
    EXPECT_EQ(fitdata.data3(max_fit_points + 1), 0.5f);
    EXPECT_EQ(fitdata.err_data()[0], 0.5f);
    EXPECT_EQ(fitdata.bin_in(3), 2.5f);
}

// A second set-up starts empty whatever the first defined; parameter lines survive.
TEST(FitRecords, NewSetupResets)
{
    fit_records_startup(1);
    EXPECT_EQ(fileio.lunprt(), 2);
    EXPECT_EQ(fileio.lunscr(), 6);
    EXPECT_EQ(fileio.lunans(), 7);
    EXPECT_EQ(online, 1);

    fitpar.nsig = 3;
    i_fit_ctl.nspec = 2;
    i_fit_ctl.i_loc_0(0) = 7;
    expressions.nexpr = 1;
    expressions.jexpr(1) = 201;
    indvar.nindvar = 4;
    bestfit.nxpar = 5;
    fit_records_new_setup();
    EXPECT_EQ(fitpar.nsig, 0);
    EXPECT_EQ(i_fit_ctl.nspec, 0);
    EXPECT_EQ(i_fit_ctl.i_loc_0(0), 0);
    EXPECT_EQ(expressions.nexpr, 0);
    EXPECT_EQ(expressions.jexpr(1), 0);
    EXPECT_EQ(indvar.nindvar, 0);
    EXPECT_EQ(bestfit.nxpar, 5);
    EXPECT_EQ(refcon.refcon(1), 2 * std::numbers::pi);
    EXPECT_DOUBLE_EQ(refcon.refcon(2), 180 / std::numbers::pi);
    fit_records_new_fit();
    EXPECT_EQ(bestfit.nxpar, 0);
}
