#include <gtest/gtest.h>

#include <kylivingdetection/KyLivingConfig.h>
#include <kylivingdetection/KyLivingViewStyle.h>

#include <set>
#include <thread>
#include <vector>

namespace {

const KyColor kGreen{0, 1, 0, 1};

void expectSameStyle(const KyLivingViewStyle& a, const KyLivingViewStyle& b) {
  EXPECT_EQ(a.getBackGroundColor(), b.getBackGroundColor());
  EXPECT_EQ(a.getProgressStaGradient(), b.getProgressStaGradient());
  EXPECT_EQ(a.getProgressEndGradient(), b.getProgressEndGradient());
  EXPECT_EQ(a.getProgressBgColor(), b.getProgressBgColor());
  EXPECT_EQ(a.getProgressBorderColor(), b.getProgressBorderColor());
  EXPECT_EQ(a.getTextColor(), b.getTextColor());
  EXPECT_EQ(a.getExitLabelColor(), b.getExitLabelColor());
  EXPECT_EQ(a.getLdtLabelNormalColor(), b.getLdtLabelNormalColor());
  EXPECT_EQ(a.getLdtLabelProcessColor(), b.getLdtLabelProcessColor());
  EXPECT_EQ(a.getLdtLabelCompleteColor(), b.getLdtLabelCompleteColor());
  EXPECT_EQ(a.getProgressWidth(), b.getProgressWidth());
}

}  // namespace

TEST(Config, DefaultsAndRestore) {
  KyLivingConfig config;
  EXPECT_TRUE(config.GetIsAutoUploadVerifyMsg());
  EXPECT_FALSE(config.GetIsRecordLdtVideo());
  EXPECT_TRUE(config.GetIsDeleteVideoInNext());
  EXPECT_TRUE(config.GetUseStrictMode());
  EXPECT_FALSE(config.GetIsSaveImgEveryType());
  EXPECT_EQ(config.GetKyCryptKeyType(), 0);

  config.SetIsAutoUploadVerifyMsg(0);
  config.SetIsSaveImgEveryType(1);
  config.SetKyCryptKeyType(7);
  config.init();
  EXPECT_TRUE(config.GetIsAutoUploadVerifyMsg());
  EXPECT_FALSE(config.GetIsSaveImgEveryType());
  EXPECT_EQ(config.GetKyCryptKeyType(), 0);
}

TEST(Config, BoolSettersKeepTheLowestBit) {
  struct Flag {
    void (KyLivingConfig::*set)(int);
    bool (KyLivingConfig::*get)() const;
  };
  const Flag flags[] = {
      {&KyLivingConfig::SetIsAutoUploadVerifyMsg, &KyLivingConfig::GetIsAutoUploadVerifyMsg},
      {&KyLivingConfig::SetIsRecordLdtVideo, &KyLivingConfig::GetIsRecordLdtVideo},
      {&KyLivingConfig::SetIsDeleteVideoInNext, &KyLivingConfig::GetIsDeleteVideoInNext},
      {&KyLivingConfig::SetUseStrictMode, &KyLivingConfig::GetUseStrictMode},
      {&KyLivingConfig::SetIsSaveImgEveryType, &KyLivingConfig::GetIsSaveImgEveryType},
  };
  KyLivingConfig config;
  for (const Flag& flag : flags) {
    for (auto [value, stored] : {std::pair{2, false}, std::pair{3, true}, std::pair{-1, true}, std::pair{0, false}}) {
      (config.*flag.set)(value);
      EXPECT_EQ((config.*flag.get)(), stored) << value;
    }
  }
}

TEST(Config, SharedInstanceIsMadeOnceAcrossThreads) {
  std::vector<KyLivingConfig*> configs(8);
  std::vector<KyLivingViewStyle*> styles(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < configs.size(); ++i) {
    threads.emplace_back([&, i] {
      configs[i] = KyLivingConfig::shareInstance();
      styles[i] = KyLivingViewStyle::shareInstance();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(std::set<KyLivingConfig*>(configs.begin(), configs.end()).size(), 1u);
  EXPECT_EQ(std::set<KyLivingViewStyle*>(styles.begin(), styles.end()).size(), 1u);
}

TEST(ViewStyle, Defaults) {
  KyLivingViewStyle style;
  EXPECT_EQ(style.getBackGroundColor(), (KyColor{1, 1, 1, 1}));
  EXPECT_EQ(style.getProgressStaGradient(), (KyColor{0x17 / 255.0f, 0x81 / 255.0f, 0xb5 / 255.0f, 1}));
  EXPECT_EQ(style.getProgressEndGradient(), (KyColor{0x66 / 255.0f, 0xa9 / 255.0f, 0xc9 / 255.0f, 1}));
  EXPECT_EQ(style.getProgressBgColor(), (KyColor{0xDD / 255.0f, 0xDD / 255.0f, 0xDD / 255.0f, 1}));
  EXPECT_EQ(style.getProgressBorderColor(), (KyColor{0, 0, 1, 1}));
  EXPECT_EQ(style.getTextColor(), (KyColor{0x22 / 255.0f, 0x22 / 255.0f, 0x22 / 255.0f, 1}));
  EXPECT_EQ(style.getExitLabelColor(), (KyColor{0x1E / 255.0f, 0x90 / 255.0f, 1, 1}));
  EXPECT_EQ(style.getLdtLabelNormalColor(), style.getTextColor());
  EXPECT_EQ(style.getLdtLabelProcessColor(), (KyColor{0, 0, 0, 1}));
  EXPECT_EQ(style.getLdtLabelCompleteColor(), kGreen);
  EXPECT_EQ(style.getProgressWidth(), 5.0f);
}

TEST(ViewStyle, ColourTextsAndChaining) {
  KyLivingViewStyle style;
  for (const char* text : {"#00ff00", "0X00ff00", "0x00FF00"}) {
    EXPECT_EQ(style.setTextColor(text)->getTextColor(), kGreen) << text;
  }
  EXPECT_EQ(style.setTextColor("green")->getTextColor(), KyColor::clear());

  KyLivingViewStyle* same = style.setExitBtnColor("#FF0000")->setProgressWidth(8)->setBackGroundColor("#000000");
  EXPECT_EQ(same, &style);
  EXPECT_EQ(style.getExitLabelColor(), (KyColor{1, 0, 0, 1}));
  EXPECT_EQ(style.getProgressWidth(), 8.0f);
  EXPECT_EQ(style.getBackGroundColor(), (KyColor{0, 0, 0, 1}));
}

TEST(ViewStyle, EveryStyleTypeGivesTheSameDefaults) {
  KyLivingViewStyle zero, one;
  one.setTextColor("#123456")->setProgressWidth(2);
  zero.initWithStyleType(0);
  one.initWithStyleType(1);
  expectSameStyle(zero, one);
}
