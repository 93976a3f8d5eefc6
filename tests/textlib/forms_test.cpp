#include "textlib/forms.h"

#include <gtest/gtest.h>

#include <string>

namespace bq {
namespace {

const std::string kPage = "http://h.jp/bbs/index.html?p=2";

TEST(FormFields, TypeTableWithoutCase) {
  EXPECT_EQ(FieldTypeOf("text"), kFieldText);
  EXPECT_EQ(FieldTypeOf("PASSWORD"), kFieldPassword);
  EXPECT_EQ(FieldTypeOf("Submit"), kFieldSubmit);
  EXPECT_EQ(FieldTypeOf("option"), kFieldOption);
  EXPECT_EQ(FieldTypeOf("email"), 0);
  EXPECT_EQ(FieldTypeOf(""), 0);
}

const std::string kTwoForms =
    "<form name=search action=\"/s.cgi\"><input type=text name=q value=\" x \">"
    "<input type=submit value=Go></form>"
    "<FORM NAME=post ACTION=\"w.cgi\" METHOD=post>"
    "<input type=hidden name=id value=7><input name=untyped value=u>"
    "<input type=checkbox name=c1 value=1 checked><input type=checkbox name=c2 value=2>"
    "<input type=radio name=r value=a><input type=radio name=r value=b CHECKED>"
    "<select name=s><option value=o1>one<option value=o2 selected>two</select>"
    "<input type=reset name=rs value=Clear>"
    "<input type=submit name=b1 value=Write><input type=submit name=b2 value=Preview>"
    "</FORM>";

TEST(FindFormTest, FindsTheFormHoldingTheButtonValue) {
  FormState f;
  ASSERT_TRUE(FindForm(kPage, "Write", kTwoForms, f));
  EXPECT_EQ(f.name, "POST");
  EXPECT_EQ(f.action, "http://h.jp/bbs/w.cgi");
  EXPECT_TRUE(f.post);
  std::vector<FormField> want = {
      {kFieldHidden, "id", "7", false},      {kFieldCheckbox, "c1", "1", true}, {kFieldCheckbox, "c2", "2", false},
      {kFieldRadio, "r", "a", false},        {kFieldRadio, "r", "b", true},     {kFieldOption, "s", "o1", false},
      {kFieldOption, "s", "o2", true},       {kFieldReset, "rs", "Clear", false},
      {kFieldSubmit, "b1", "Write", false},  {kFieldSubmit, "b2", "Preview", false}};
  EXPECT_EQ(f.fields, want);
}

TEST(FindFormTest, FirstFormAndTrimmedValues) {
  FormState f;
  ASSERT_TRUE(FindForm(kPage, "Go", kTwoForms, f));
  EXPECT_EQ(f.name, "SEARCH");
  EXPECT_EQ(f.action, "http://h.jp/s.cgi");
  EXPECT_FALSE(f.post);
  ASSERT_EQ(f.fields.size(), 2u);
  EXPECT_EQ(f.fields[0].value, "x");
}

TEST(FindFormTest, NameSelectorAndMisses) {
  FormState f;
  EXPECT_TRUE(FindForm(kPage, "POST::Preview", kTwoForms, f));
  EXPECT_FALSE(FindForm(kPage, "SEARCH::Preview", kTwoForms, f));
  EXPECT_TRUE(f.fields.empty());
  EXPECT_TRUE(f.action.empty());
  EXPECT_FALSE(FindForm(kPage, "post::Preview", kTwoForms, f));  // names are upper case
  EXPECT_FALSE(FindForm(kPage, "Writ", kTwoForms, f));           // exact value only
  EXPECT_FALSE(FindForm(kPage, "Clear", kTwoForms, f));          // reset is no button
  EXPECT_FALSE(FindForm(kPage, "x", "", f));
}

TEST(FindFormTest, ButtonTypeAndEmptyAction) {
  FormState f;
  ASSERT_TRUE(FindForm(kPage, "Send", "<form><input type=button value=Send></form>", f));
  EXPECT_EQ(f.action, "http://h.jp/bbs/index.html");  // the page itself
}

TEST(FindFormTest, FormLeftOpenEndsWithThePage) {
  FormState f;
  EXPECT_TRUE(FindForm(kPage, "Go", "<form action=a.cgi><input type=submit value=Go>", f));
  EXPECT_EQ(f.action, "http://h.jp/bbs/a.cgi");
  EXPECT_TRUE(FindForm(kPage, "Go", "<form action=a.cgi><input type=submit value=Go", f));  // a cut-off tag still counts
}

TEST(FindFormTest, EucDeclarationOfThePageSurvivesEarlierForms) {
  std::string html =
      "<META HTTP-EQUIV=\"Content-Type\" CONTENT=\"text/html; charset=euc-jp\">"
      "<form><input type=submit value=A></form><form><input type=submit value=B></form>";
  FormState f;
  ASSERT_TRUE(FindForm(kPage, "B", html, f));
  EXPECT_TRUE(f.euc);
  ASSERT_TRUE(FindForm(kPage, "A", "<meta http-equiv=content-type content=\"text/html; charset=Shift_JIS\">" + html.substr(html.find("<form")), f));
  EXPECT_FALSE(f.euc);
}

TEST(FindFormTest, OptionsOutsideANamedSelectAreNoFields) {
  FormState f;
  ASSERT_TRUE(FindForm(kPage, "Go", "<form><option value=x><select><option value=y></select><input type=submit value=Go></form>", f));
  ASSERT_EQ(f.fields.size(), 1u);
  EXPECT_EQ(f.fields[0].type, kFieldSubmit);
}

TEST(FindFormTest, BrokenMarkupIsReadWithoutFault) {
  FormState f;
  EXPECT_FALSE(FindForm(kPage, "Go", "<form action=\"a.cgi><input type=\"submit value=Go>", f));
  EXPECT_FALSE(FindForm(kPage, "::", "<form", f));
  EXPECT_TRUE(FindForm(kPage, "Go", std::string("<form>\0<input type=submit value=Go>\0</form>", 43), f));
  std::string many;
  for (int i = 0; i < 20000; ++i) many += "<form><input type=submit value=" + std::to_string(i) + "></form>";
  EXPECT_TRUE(FindForm(kPage, "19999", many, f));
  ASSERT_EQ(f.fields.size(), 1u);
}

// ---- form data -----------------------------------------------------------

TEST(FormDataTest, CheckedFieldsBothButtonsThenUserFields) {
  FormState f;
  ASSERT_TRUE(FindForm(kPage, "Write", kTwoForms, f));
  EXPECT_EQ(BuildFormData(f, ""), "id=7&c1=1&r=b&s=o2&b1=Write&b2=Preview");
  EXPECT_EQ(BuildFormData(f, "id=8&msg=a b"), "c1=1&r=b&s=o2&b1=Write&b2=Preview&id=8&msg=a+b");
}

TEST(FormDataTest, ValuesEncodedForAFormAndEucWhenDeclared) {
  FormState f;
  f.fields = {{kFieldText, "t", "\x82\xa0 %+&", false}, {kFieldHidden, "", "nameless", false}};
  EXPECT_EQ(BuildFormData(f, ""), "t=%82%a0+%25%2b&");
  f.euc = true;
  EXPECT_EQ(BuildFormData(f, "u=\x82\xa0"), "t=%a4%a2+%25%2b&&u=%a4%a2");
}

TEST(FormDataTest, Utf8PagesGetTheirValuesAsEscapedUtf8) {
  FormState f;
  f.utf8 = true;
  f.fields = {{kFieldText, "t", "\x82\xa0 %+&", false}, {kFieldHidden, "k", "\xb1", false}};
  // あ and half-width ア in UTF-8; ASCII as before
  EXPECT_EQ(BuildFormData(f, "u=\x93\xfa/"), "t=%e3%81%82+%25%2b&&k=%ef%bd%b1&u=%e6%97%a5/");
}

TEST(FindFormTest, Utf8DeclarationsOfThePageAreRemembered) {
  const std::string form = "<form><input type=submit value=A></form><form><input type=submit value=B></form>";
  FormState f;
  ASSERT_TRUE(FindForm(kPage, "B", "<meta charset=\"UTF-8\">" + form, f));
  EXPECT_TRUE(f.utf8);
  EXPECT_FALSE(f.euc);
  ASSERT_TRUE(FindForm(kPage, "B", "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">" + form, f));
  EXPECT_TRUE(f.utf8);
  ASSERT_TRUE(FindForm(kPage, "A", "<meta charset=\"Shift_JIS\">" + form, f));
  EXPECT_FALSE(f.utf8);
  ASSERT_TRUE(FindForm(kPage, "A", form, f));
  EXPECT_FALSE(f.utf8);
}

TEST(FormDataTest, EmptyFormAndUserText) {
  FormState f;
  EXPECT_EQ(BuildFormData(f, ""), "");
  EXPECT_EQ(BuildFormData(f, "a=1"), "a=1");
  EXPECT_EQ(BuildFormData(f, "a=1&"), "a=1");
}

TEST(FormRequest, GetJoinsDataOnceEncodedPostSendsActionOnly) {
  FormState f;
  f.action = "http://h.jp/s.cgi";
  std::string data = BuildFormData(FormState{{}, {}, false, {{kFieldText, "q", "a b/c%", false}}, false}, "");
  EXPECT_EQ(data, "q=a+b/c%25");
  EXPECT_EQ(FormRequestAddress(f, data), "http://h.jp/s.cgi?q=a+b%2fc%25");
  f.action = "http://h.jp/s.cgi?mode=1";
  EXPECT_EQ(FormRequestAddress(f, "q=1"), "http://h.jp/s.cgi?mode=1&q=1");
  f.post = true;
  f.action = "http://h.jp/w cgi";
  EXPECT_EQ(FormRequestAddress(f, "q=1"), "http://h.jp/w%20cgi");
}

}  // namespace
}  // namespace bq
