#pragma once
// Finding a form in a page and building the data that submits it.
#include <string>
#include <string_view>
#include <vector>

namespace bq {

// Field types by the TYPE attribute; 0 is no known type.
enum FormFieldType : int {
  kFieldText = 1,
  kFieldPassword = 2,
  kFieldCheckbox = 3,
  kFieldRadio = 4,
  kFieldSubmit = 5,
  kFieldReset = 6,
  kFieldFile = 7,
  kFieldHidden = 8,
  kFieldImage = 9,
  kFieldButton = 10,
  kFieldOption = 11,
};

// The type for a TYPE attribute value, letters without case; 0 if unknown.
int FieldTypeOf(std::string_view typeAttr);

struct FormField {
  int type = 0;
  std::string name;
  std::string value;
  bool checked = false;
  bool operator==(const FormField&) const = default;
};

struct FormState {
  std::string name;    // upper case, as read from the upper-cased FORM tag
  std::string action;  // absolute
  bool post = false;
  std::vector<FormField> fields;  // page order
  bool euc = false;               // the page declares EUC-JP
  bool utf8 = false;              // the page came in UTF-8 (declared, or told by the caller)
};

// Finds the form that holds a submit or button field whose value is the
// selector's button value. selector is "NAME::button" or just "button"; with
// a name only the form of that (upper-case) name is taken. A form left open
// at the end of the page counts as closed there.
bool FindForm(std::string_view pageAddress, std::string_view selector, std::string_view html, FormState& form);

// The name=value&... data for the form: every named field not named in
// userFields (checkboxes, radio buttons and options only when checked, reset
// buttons never), then userFields itself, values encoded for a form.
std::string BuildFormData(const FormState& form, std::string_view userFields);

// The address to fetch: for GET the action, '?' and the data, for POST the
// action alone, each through the address encoder (which leaves the data's
// escapes as they are).
std::string FormRequestAddress(const FormState& form, std::string_view data);

}  // namespace bq
