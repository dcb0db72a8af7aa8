// run_file.h -- writes small run-data files through the library's writing side, for
// the tests of the run reader and the spectrum dialog.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "zog.h"

struct RunHist {
    int nbins = 100;
    int bytes_per_bin = 4;      // 1, 2, 4; 0 packed
    int code = 7;               // 10 ns
    int t0_bin = 10, good1 = 12, good2 = 99, bkg1 = 1, bkg2 = 8;
    int t0_ps = 0;
    std::string title = "Forw";
    std::function<std::uint32_t(int)> counts = [](int k) { return static_cast<std::uint32_t>(k); };
    bool data = true;           // false: the header's bin count without bin data
};

struct RunSpec {
    int fmt = ZOG_FMT_GENERIC;
    int run_number = 1234;
    std::string title = "Cu 10K";
    std::string sample = "sample";
    std::vector<RunHist> hists;
    int hist_group = -1;        // -1: the format's own kind; 0: no histogram group
    int scalers = 0;            // scalers labelled S1, S2, ... with counts (10 i, i)
};

inline std::string run_path(const std::string& name)
{
    return testing::TempDir() + "kavrin_run_" + name + "_" + std::to_string(::getpid()) + ".zog";
}

// Writes the file; true when every call succeeded.
inline bool write_run(const std::string& path, const RunSpec& s)
{
    const int fh = ZOG_openWrite(path.c_str(), s.fmt);
    if (fh < 0) return false;
    int ok = ZOG_setRunDesc(fh) + ZOG_setRunNumber(fh, s.run_number) +
             ZOG_setExptNumber(fh, 77) + ZOG_setTimeBegin(fh, 1000) + ZOG_setTimeEnd(fh, 4600) +
             ZOG_setElapsedSec(fh, 3600) + ZOG_setTitle(fh, s.title.c_str()) +
             ZOG_setLab(fh, "lab") + ZOG_setArea(fh, "area") + ZOG_setMethod(fh, "TF") +
             ZOG_setApparatus(fh, "app") + ZOG_setInsert(fh, "ins") +
             ZOG_setSample(fh, s.sample.c_str()) + ZOG_setOrient(fh, "ori") +
             ZOG_setDas(fh, "das") + ZOG_setExperimenter(fh, "me");
    int want = 16;
    if (s.fmt == ZOG_FMT_GENERIC) {
        ok += ZOG_setTemperature(fh, "10.0") + ZOG_setField(fh, "100");
        want += 2;
    }
    const int group = s.hist_group < 0 ? (s.fmt == ZOG_FMT_FUB_TI ? ZOG_HIST_GRP_FUB_TI
                                                                  : ZOG_HIST_GRP_GENERIC)
                                       : s.hist_group;
    if (group != 0) {
        ok += ZOG_setHists(fh, group, static_cast<int>(s.hists.size()));
        ++want;
        for (int j = 1; j <= static_cast<int>(s.hists.size()); ++j) {
            const RunHist& h = s.hists[j - 1];
            ok += ZOG_setHistNumBins(fh, j, h.nbins) + ZOG_setHistBytesPerBin(fh, j, h.bytes_per_bin) +
                  ZOG_setHistFsPerBin(fh, j, h.code) + ZOG_setHistT0_Bin(fh, j, h.t0_bin) +
                  ZOG_setHistT0_Ps(fh, j, h.t0_ps) + ZOG_setHistGoodBin1(fh, j, h.good1) +
                  ZOG_setHistGoodBin2(fh, j, h.good2) + ZOG_setHistBkgd1(fh, j, h.bkg1) +
                  ZOG_setHistBkgd2(fh, j, h.bkg2) + ZOG_setHistNumEvents(fh, j, 1000 * j) +
                  ZOG_setHistTitle(fh, j, h.title.c_str());
            want += 11;
            if (!h.data) continue;
            const int w = h.bytes_per_bin == 0 ? 4 : h.bytes_per_bin;
            std::vector<std::uint8_t> buf(static_cast<std::size_t>(h.nbins) * w);
            for (int k = 0; k < h.nbins; ++k) {
                const std::uint32_t v = h.counts(k + 1);
                std::memcpy(buf.data() + static_cast<std::size_t>(k) * w, &v, w);  // little end
            }
            ok += ZOG_setHistData(fh, j, buf.data());
            ++want;
        }
    }
    if (s.scalers > 0) {
        ok += ZOG_setScalers(fh, ZOG_SCALER_GRP, s.scalers);
        ++want;
        for (int i = 1; i <= s.scalers; ++i) {
            const std::string label = "S" + std::to_string(i);
            const int counts[2] = {10 * i, i};
            ok += ZOG_setScalerLabel(fh, i, label.c_str()) + ZOG_setScalerCounts(fh, i, counts);
            want += 2;
        }
    }
    ok += ZOG_closeWrite(fh);
    return ok == want + 1;
}
