// The kestrum Python module: the plug-in, its documents, their objects and settings, as
// Python objects over the session layer. Conversions only: every placement is the host's.

#include <dlfcn.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "input_error.h"
#include "kestrum_settings.h"
#include "loaded_plugin.h"
#include "plugin_locations.h"
#include "python_document.h"
#include "tool_panel.h"

namespace py = pybind11;

namespace kpython {
namespace {

using kcommand::InputError;

// A handle on one object: the document and the object's place in its tree.
struct PyObjectRef {
  std::shared_ptr<Document> document;
  TreePlace place;
};

struct PySettings {
  std::shared_ptr<Document> document;
};

struct PyPressResult {
  int32_t answer;
  std::string summary;
  py::list moved;
  std::vector<std::string> opened;
  std::vector<std::string> messages;
};

// The plug-in folder, from where this module lies: beside the package (the Blender
// add-on), inside it (the pip package), the prefix's (installed with the command, the
// package in <prefix>/lib/python3*/dist-packages/) or the build's (build/python/kestrum/).
// Never a folder compiled in, so a moved installation finds its own or says where it
// looked.
std::string DefaultFolder() {
  namespace fs = std::filesystem;
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&DefaultFolder), &info) == 0 || !info.dli_fname)
    throw InputError("the kestrum module cannot tell where it lies: give Plugin(folder)");
  std::error_code error;
  fs::path package = fs::weakly_canonical(info.dli_fname, error).parent_path();
  if (error) package = fs::path(info.dli_fname).parent_path();
  const fs::path candidates[] = {
      package.parent_path() / "plugins" / "kestrum",
      package / "plugins" / "kestrum",
      kcommand::InstalledPluginFolder(
          package.parent_path().parent_path().parent_path().parent_path()),
      package.parent_path().parent_path() / "plugins" / "kestrum",
  };
  std::string looked;
  for (const fs::path& folder : candidates) {
    if (fs::is_regular_file(folder / khost::PluginSession::kDefaultModuleFileName, error))
      return folder.lexically_normal().string();
    looked += (looked.empty() ? "" : ", ") + folder.lexically_normal().string();
  }
  throw InputError("no plug-in folder found for the kestrum module in " + package.string() +
                   " (looked at " + looked + "): give Plugin(folder)");
}

std::string TypeName(const py::handle& value) {
  return py::str(py::type::handle_of(value).attr("__name__"));
}

double NumberFrom(const py::handle& value, const std::string& what) {
  if (!py::isinstance<py::str>(value) && !py::isinstance<py::bytes>(value)) {
    try {
      return py::cast<double>(value);
    } catch (const py::cast_error&) {
    }
  }
  throw py::type_error(what + ": give numbers, not " + TypeName(value));
}

// Rows of four, as Blender's and numpy's matrices are written: the offset in the last
// column, the bottom row 0 0 0 1.
HostMatrix MatrixFrom(const py::handle& value, const char* what) {
  const auto fail = [&] {
    return InputError(std::string(what) +
                      ": give a 4x4 matrix as four rows of four numbers, the bottom row 0 0 0 1");
  };
  if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value))
    throw py::type_error(std::string(what) + ": give four rows of four numbers, not " +
                         TypeName(value));
  const py::sequence rows = py::reinterpret_borrow<py::sequence>(value);
  if (rows.size() != 4) throw fail();
  double m[4][4];
  for (size_t r = 0; r < 4; ++r) {
    const py::object row = rows[r];
    if (!py::isinstance<py::sequence>(row) || py::len(row) != 4) throw fail();
    for (size_t c = 0; c < 4; ++c) m[r][c] = NumberFrom(row[py::int_(c)], what);
  }
  if (m[3][0] != 0 || m[3][1] != 0 || m[3][2] != 0 || m[3][3] != 1) throw fail();
  return {{m[0][3], m[1][3], m[2][3]},
          {m[0][0], m[1][0], m[2][0]},
          {m[0][1], m[1][1], m[2][1]},
          {m[0][2], m[1][2], m[2][2]}};
}

py::tuple MatrixTo(const HostMatrix& m) {
  return py::make_tuple(py::make_tuple(m.axisX.x, m.axisY.x, m.axisZ.x, m.offset.x),
                        py::make_tuple(m.axisX.y, m.axisY.y, m.axisZ.y, m.offset.y),
                        py::make_tuple(m.axisX.z, m.axisY.z, m.axisZ.z, m.offset.z),
                        py::make_tuple(0.0, 0.0, 0.0, 1.0));
}

kcommand::Vector3 VectorFrom(const py::handle& value, const char* what) {
  if (!py::isinstance<py::sequence>(value) || py::isinstance<py::str>(value))
    throw py::type_error(std::string(what) + ": give three numbers (x, y, z), not " +
                         TypeName(value));
  if (py::len(value) != 3) throw InputError(std::string(what) + ": give three numbers (x, y, z)");
  const py::sequence v = py::reinterpret_borrow<py::sequence>(value);
  return {NumberFrom(v[0], what), NumberFrom(v[1], what), NumberFrom(v[2], what)};
}

// Objects of a sequence read with one caster: pybind11 looks the type up when a caster is
// made, which for every one of 10^4 objects would take longer than reading them.
class ObjectReader {
 public:
  // Nullptr for anything but an Object.
  const PyObjectRef* Read(const py::handle& item) {
    if (!caster_.load(item, false)) return nullptr;
    return &py::detail::cast_op<const PyObjectRef&>(caster_);
  }

 private:
  py::detail::make_caster<PyObjectRef> caster_;
};

// A buffer held while its values are read.
class HeldBuffer {
 public:
  HeldBuffer() = default;
  HeldBuffer(const HeldBuffer&) = delete;
  HeldBuffer& operator=(const HeldBuffer&) = delete;
  ~HeldBuffer() {
    if (held_) PyBuffer_Release(&view_);
  }
  // False when `source` gives no contiguous buffer.
  bool Hold(const py::handle& source) {
    held_ = PyObject_GetBuffer(source.ptr(), &view_, PyBUF_C_CONTIGUOUS | PyBUF_FORMAT) == 0;
    if (!held_) PyErr_Clear();
    return held_;
  }
  // The item format without a byte order mark that names this machine's own order.
  std::string_view Format() const {
    std::string_view format = view_.format != nullptr ? view_.format : "B";
    constexpr char kNative = std::endian::native == std::endian::little ? '<' : '>';
    if (!format.empty() && (format[0] == '@' || format[0] == '=' || format[0] == kNative))
      format.remove_prefix(1);
    return format;
  }
  size_t Items() const { return static_cast<size_t>(view_.len / view_.itemsize); }
  const char* Item(size_t i) const {
    return static_cast<const char*>(view_.buf) + i * static_cast<size_t>(view_.itemsize);
  }

 private:
  Py_buffer view_{};
  bool held_ = false;
};

// The values of a buffer of float32 or float64 numbers (array('f'), array('d'), a
// memoryview, what Blender's foreach_get fills), read as doubles.
class FloatValues {
 public:
  FloatValues(const py::handle& source, const std::string& what) {
    if (!buffer_.Hold(source))
      throw py::type_error(what +
                           ": give a buffer of float32 or float64 values, such as "
                           "array('f') or array('d'), not " +
                           TypeName(source));
    const std::string_view format = buffer_.Format();
    if (format != "f" && format != "d")
      throw py::type_error(what + ": give float32 ('f') or float64 ('d') values, not '" +
                           std::string(format) + "'");
    wide_ = format == "d";
  }
  size_t Size() const { return buffer_.Items(); }
  double operator[](size_t i) const {
    if (wide_) {
      double value;
      std::memcpy(&value, buffer_.Item(i), sizeof value);
      return value;
    }
    float value;
    std::memcpy(&value, buffer_.Item(i), sizeof value);
    return value;
  }

 private:
  HeldBuffer buffer_;
  bool wide_ = false;
};

// The items of an iterable as a tuple, which holds them while they are read even if
// reading one (its __bool__) changes the list they came from.
py::tuple ItemsOf(const py::handle& value) {
  PyObject* items = PySequence_Tuple(value.ptr());
  if (items == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::tuple>(items);
}

// The same for a sequence that is not a string.
py::tuple SequenceItems(const py::handle& value, const std::string& what, const char* give) {
  if (!PySequence_Check(value.ptr()) || py::isinstance<py::str>(value) ||
      py::isinstance<py::bytes>(value))
    throw py::type_error(what + ": give " + give + ", not " + TypeName(value));
  return ItemsOf(value);
}

size_t ItemCount(const py::tuple& items) {
  return static_cast<size_t>(PyTuple_GET_SIZE(items.ptr()));
}

py::handle ItemAt(const py::tuple& items, size_t i) {
  return PyTuple_GET_ITEM(items.ptr(), static_cast<Py_ssize_t>(i));
}

std::string CountedObjects(size_t count) {
  return std::to_string(count) + (count == 1 ? " object" : " objects");
}

// How a bulk call lays out each 4x4 matrix: rows (offset at 3, 7, 11, as add takes it)
// or columns (offset at 12, 13, 14, as Blender's foreach_get and foreach_set have it).
bool ColumnsLayout(const std::string& layout, const char* call) {
  if (layout != "rows" && layout != "columns")
    throw InputError(std::string(call) + ": layout: '" + layout + "' is not 'rows' or 'columns'");
  return layout == "columns";
}

void RequireValues(size_t values, size_t count, size_t each, const char* what) {
  if (values == count * each) return;
  throw InputError(std::string("add_objects: ") + what + ": " + std::to_string(values) +
                   " values for " + CountedObjects(count) + "; give " +
                   (each == 1 ? std::string("one") : std::to_string(each)) + " an object");
}

std::vector<std::string> NamesFrom(const py::handle& value) {
  const py::tuple items = SequenceItems(value, "add_objects: names", "a sequence of names");
  std::vector<std::string> names(ItemCount(items));
  for (size_t i = 0; i < names.size(); ++i) {
    PyObject* name = ItemAt(items, i).ptr();
    if (!PyUnicode_Check(name))
      throw py::type_error("add_objects: names: object " + std::to_string(i) +
                           ": give a str, not " + TypeName(name));
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(name, &size);
    if (text == nullptr) throw py::error_already_set();
    names[i].assign(text, static_cast<size_t>(size));
  }
  return names;
}

std::vector<BulkParent> ParentsFrom(const std::shared_ptr<Document>& document,
                                    const py::handle& value,
                                    const std::vector<std::string>& names) {
  if (value.is_none()) return {};
  const py::tuple items = SequenceItems(value, "add_objects: parents",
                                        "a sequence of indices (-1: the top level) or objects");
  RequireValues(ItemCount(items), names.size(), 1, "parents");
  std::vector<BulkParent> parents(names.size());
  ObjectReader reader;
  for (size_t i = 0; i < parents.size(); ++i) {
    const py::handle parent = ItemAt(items, i);
    if (PyLong_Check(parent.ptr()) && !PyBool_Check(parent.ptr())) {
      int overflow = 0;
      const long long index = PyLong_AsLongLongAndOverflow(parent.ptr(), &overflow);
      parents[i] = overflow > 0 ? INT64_MAX : overflow < 0 ? INT64_MIN : int64_t{index};
    } else if (const PyObjectRef* object = reader.Read(parent)) {
      if (object->document != document)
        throw InputError("add_objects: parents: object " + std::to_string(i) + " ('" + names[i] +
                         "'): '" + object->document->Model(object->place).name +
                         "' is an object of another document");
      parents[i] = object->place;
    } else {
      throw py::type_error("add_objects: parents: object " + std::to_string(i) +
                           ": give an index (-1: the top level) or an object, not " +
                           TypeName(parent));
    }
  }
  return parents;
}

std::vector<HostMatrix> MatricesFrom(const py::handle& value, const std::vector<std::string>& names,
                                     bool columns) {
  const FloatValues values(value, "add_objects: matrices");
  RequireValues(values.Size(), names.size(), 16, "matrices");
  std::vector<HostMatrix> matrices(names.size());
  for (size_t i = 0; i < matrices.size(); ++i) {
    const auto at = [&](size_t row, size_t column) {
      return values[16 * i + (columns ? 4 * column + row : 4 * row + column)];
    };
    if (at(3, 0) != 0 || at(3, 1) != 0 || at(3, 2) != 0 || at(3, 3) != 1)
      throw InputError("add_objects: matrices: object " + std::to_string(i) + " ('" + names[i] +
                       "'): a matrix's bottom row must be 0 0 0 1, and layout='" +
                       (columns ? "columns' reads it from values 3, 7, 11 and 15"
                                : "rows' reads it from values 12 to 15") +
                       " of the object's 16");
    matrices[i] = {{at(0, 3), at(1, 3), at(2, 3)},
                   {at(0, 0), at(1, 0), at(2, 0)},
                   {at(0, 1), at(1, 1), at(2, 1)},
                   {at(0, 2), at(1, 2), at(2, 2)}};
  }
  return matrices;
}

// Three values an object, or none for None.
std::vector<kcommand::Vector3> VectorsFrom(const py::handle& value, size_t count,
                                           const char* what) {
  if (value.is_none()) return {};
  const FloatValues values(value, std::string("add_objects: ") + what);
  RequireValues(values.Size(), count, 3, what);
  std::vector<kcommand::Vector3> vectors(count);
  for (size_t i = 0; i < count; ++i)
    vectors[i] = {values[3 * i], values[3 * i + 1], values[3 * i + 2]};
  return vectors;
}

// One flag an object: a buffer of bytes (bytes, array('b'), array('B')) or a sequence of
// values taken as bool; none for None.
std::vector<uint8_t> FlagsFrom(const py::handle& value, size_t count) {
  if (value.is_none()) return {};
  std::vector<uint8_t> flags;
  if (HeldBuffer buffer; !py::isinstance<py::str>(value) && buffer.Hold(value)) {
    const std::string_view format = buffer.Format();
    if (format == "b" || format == "B" || format == "?" || format == "c") {
      RequireValues(buffer.Items(), count, 1, "selected");
      flags.resize(count);
      for (size_t i = 0; i < count; ++i) flags[i] = *buffer.Item(i) != 0;
      return flags;
    }
  }
  const py::tuple items =
      SequenceItems(value, "add_objects: selected", "a sequence of bools or a buffer of bytes");
  RequireValues(ItemCount(items), count, 1, "selected");
  flags.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const int truth = PyObject_IsTrue(ItemAt(items, i).ptr());
    if (truth < 0) throw py::error_already_set();
    flags[i] = truth != 0;
  }
  return flags;
}

// A matrix as 16 values in the layout asked for.
void WriteMatrix(const HostMatrix& m, bool columns, double* to) {
  const double rows[16] = {m.axisX.x, m.axisY.x, m.axisZ.x, m.offset.x,  //
                           m.axisX.y, m.axisY.y, m.axisZ.y, m.offset.y,  //
                           m.axisX.z, m.axisY.z, m.axisZ.z, m.offset.z,  //
                           0,         0,         0,         1};
  for (size_t r = 0; r < 4; ++r)
    for (size_t c = 0; c < 4; ++c) to[columns ? 4 * c + r : 4 * r + c] = rows[4 * r + c];
}

py::object ObjectOrNone(const std::shared_ptr<Document>& document, const ControlValue& value) {
  if (const TreePlace* place = std::get_if<TreePlace>(&value))
    return py::cast(PyObjectRef{document, *place});
  return py::none();
}

ControlValue ControlFrom(const std::shared_ptr<Document>& document, const py::handle& value) {
  if (value.is_none()) return std::monostate{};
  if (py::isinstance<py::bool_>(value)) return value.cast<bool>();
  if (py::isinstance<py::int_>(value)) return value.cast<int32_t>();
  if (py::isinstance<PyObjectRef>(value)) {
    const PyObjectRef& object = value.cast<const PyObjectRef&>();
    if (object.document != document)
      throw InputError(document->Name() + ": '" + object.document->Model(object.place).name +
                       "' is an object of another document");
    return object.place;
  }
  throw py::type_error("a control takes an object, a value id, True or False, or None, not " +
                       TypeName(value));
}

// Objects of `document`, in the order given.
std::vector<TreePlace> PlacesFrom(const std::shared_ptr<Document>& document,
                                  const py::iterable& objects) {
  std::vector<TreePlace> places;
  for (const py::handle& each : objects) {
    const ControlValue value = ControlFrom(document, each);
    if (!std::holds_alternative<TreePlace>(value))
      throw InputError(document->Name() + ": a list of objects is expected");
    places.push_back(std::get<TreePlace>(value));
  }
  return places;
}

// A button id as Python gives it; one beyond 32 bits names no control.
int32_t ButtonId(const py::handle& id) {
  const long long value = id.cast<long long>();
  if (value < INT32_MIN || value > INT32_MAX)
    throw InputError("press: the panel has no control " + std::to_string(value));
  return static_cast<int32_t>(value);
}

// The settings by the names the command's options use.
constexpr const char* kSettingNames[] = {"reference", "object", "x", "y", "z"};

int AxisOfName(const std::string& name) {
  for (int axis = 0; axis < 3; ++axis)
    if (name.size() == 1 && name[0] == kcommand::kAxisLetters[static_cast<size_t>(axis)])
      return axis;
  return -1;
}

int32_t LinkOfName(const std::string& name) {
  if (name == "reference") return ALIGN_REFERENCE;
  if (name == "object") return ALIGN_OBJECT;
  return 0;
}

py::object SettingGet(const PySettings& settings, const std::string& name) {
  if (const int32_t link = LinkOfName(name))
    return ObjectOrNone(settings.document, settings.document->Control(link));
  const int axis = AxisOfName(name);
  if (axis < 0) throw py::key_error(name);
  const std::optional<kcommand::AxisChoice> choice = settings.document->Axis(axis);
  return choice ? py::cast(kcommand::FormatAxisChoice(*choice)) : py::none();
}

void SettingSet(const PySettings& settings, const std::string& name, const py::handle& value) {
  if (const int32_t link = LinkOfName(name)) {
    if (!value.is_none() && !py::isinstance<PyObjectRef>(value))
      throw InputError("settings['" + name + "']: give an object of the document or None");
    settings.document->SetControl(link, ControlFrom(settings.document, value));
    return;
  }
  const int axis = AxisOfName(name);
  if (axis < 0) throw py::key_error(name);
  const std::string text = py::isinstance<py::str>(value) ? value.cast<std::string>() : "";
  const std::optional<kcommand::AxisChoice> choice = kcommand::ParseAxisChoice(text);
  if (!choice)
    throw InputError("settings['" + name + "']: '" + std::string(py::str(value)) +
                     "' is not MODE[:SIDE] (MODE none, plus, center or minus; SIDE inside or "
                     "outside)");
  settings.document->SetAxis(axis, *choice);
}

// The panel in the form `info --json` and the view write, as Python lists and dicts.
py::object PanelOf(PluginUse& plugin) {
  khost::PluginSession& run = plugin.Run();
  const khost::DescriptionLayout* layout =
      run.host().plugins().RegisteredDescription(run.Tool()->id);
  if (layout == nullptr) return py::list();
  return py::module_::import("json").attr("loads")(kcommand::PanelJson(*layout).dump())["groups"];
}

py::list ObjectsOf(const std::shared_ptr<Document>& document, std::vector<TreePlace> places) {
  py::list objects(places.size());
  for (size_t i = 0; i < places.size(); ++i)
    objects[i] = py::cast(PyObjectRef{document, std::move(places[i])});
  return objects;
}

PyPressResult ResultOf(const std::shared_ptr<Document>& document, PressOutcome outcome) {
  return PyPressResult{outcome.answer, std::move(outcome.summary),
                       ObjectsOf(document, std::move(outcome.moved)), std::move(outcome.opened),
                       std::move(outcome.messages)};
}

void BindObject(py::module_& m) {
  py::class_<PyObjectRef>(m, "Object", "An object of a document, as the host holds it.")
      .def_property_readonly("name",
                             [](const PyObjectRef& o) { return o.document->Model(o.place).name; })
      .def_property_readonly(
          "path", [](const PyObjectRef& o) { return o.document->Path(o.place); },
          "Names from the top level down, separated by '/'.")
      .def_property_readonly(
          "parent",
          [](const PyObjectRef& o) -> py::object {
            if (o.place.size() <= 1) return py::none();
            return py::cast(PyObjectRef{o.document, TreePlace(o.place.begin(), o.place.end() - 1)});
          })
      .def_property_readonly(
          "world", [](const PyObjectRef& o) { return MatrixTo(o.document->World(o.place)); },
          "World matrix, four rows of four, offset in the last column.")
      .def_property_readonly(
          "local", [](const PyObjectRef& o) { return MatrixTo(o.document->Local(o.place)); },
          "Matrix in the parent's frame, four rows of four.")
      .def_property_readonly("half_sizes",
                             [](const PyObjectRef& o) {
                               const HostVector h = o.document->HalfSizes(o.place);
                               return py::make_tuple(h.x, h.y, h.z);
                             })
      .def_property_readonly(
          "box_centre",
          [](const PyObjectRef& o) -> py::object {
            const auto& centre = o.document->Model(o.place).boxCentre;
            if (!centre) return py::none();
            return py::make_tuple((*centre)[0], (*centre)[1], (*centre)[2]);
          },
          "The box's centre in the object's own frame; None: its origin.")
      .def_property(
          "selected", [](const PyObjectRef& o) { return o.document->Selected(o.place); },
          [](const PyObjectRef& o, bool selected) { o.document->SetSelected(o.place, selected); })
      .def("__eq__",
           [](const PyObjectRef& a, const PyObjectRef& b) {
             return a.document == b.document && a.place == b.place;
           })
      .def("__hash__",
           [](const PyObjectRef& o) {
             return py::hash(py::make_tuple(reinterpret_cast<uintptr_t>(o.document.get()),
                                            py::tuple(py::cast(o.place))));
           })
      .def("__repr__", [](const PyObjectRef& o) {
        return "<kestrum.Object '" + o.document->Path(o.place) + "'>";
      });
}

void BindSettings(py::module_& m) {
  py::class_<PySettings>(m, "Settings",
                         "The tool's settings of one document by name: 'reference' and "
                         "'object' hold objects, 'x', 'y' and 'z' a placement such as "
                         "'plus:outside'.")
      .def("__getitem__", &SettingGet)
      .def("__setitem__", &SettingSet)
      .def("__delitem__",
           [](const PySettings& s, const std::string& name) {
             if (!LinkOfName(name))
               throw InputError("settings['" + name +
                                "']: only 'reference' and 'object' can be unset; set an axis "
                                "to 'none'");
             s.document->SetControl(LinkOfName(name), std::monostate{});
           })
      .def("__contains__",
           [](const PySettings&, const std::string& name) {
             return LinkOfName(name) != 0 || AxisOfName(name) >= 0;
           })
      .def("__iter__",
           [](const PySettings&) {
             return py::iter(py::make_tuple(kSettingNames[0], kSettingNames[1], kSettingNames[2],
                                            kSettingNames[3], kSettingNames[4]));
           })
      .def("__len__", [](const PySettings&) { return std::size(kSettingNames); })
      .def("keys", [](const PySettings&) {
        return py::make_tuple(kSettingNames[0], kSettingNames[1], kSettingNames[2],
                              kSettingNames[3], kSettingNames[4]);
      });
}

void BindPressResult(py::module_& m) {
  py::class_<PyPressResult>(m, "PressResult", "What a press did.")
      .def_readonly("answer", &PyPressResult::answer, "The tool's answer to the press.")
      .def_readonly("summary", &PyPressResult::summary,
                    "What moved ('2 objects moved'), or why nothing did ('nothing moved: no "
                    "axis is chosen').")
      .def_readonly("moved", &PyPressResult::moved, "The objects whose placement changed.")
      .def_readonly("opened", &PyPressResult::opened, "Files the tool asked the host to open.")
      .def_readonly("messages", &PyPressResult::messages, "Messages the tool showed.");
}

using PyDocumentClass = py::class_<Document, std::shared_ptr<Document>>;

// A document's objects: adding, finding and listing them.
PyDocumentClass BindDocument(py::module_& m) {
  return PyDocumentClass(m, "Document",
                         "A scene in the host: objects, the tool's settings, undo and redo.")
      .def_property_readonly("name", &Document::Name)
      .def(
          "add",
          [](const std::shared_ptr<Document>& d, const std::string& name, const py::object& parent,
             const py::object& matrix, const py::object& boxCentre, const py::object& halfSizes,
             bool selected) {
            NewObject object;
            object.name = name;
            if (!parent.is_none()) {
              if (!py::isinstance<PyObjectRef>(parent))
                throw InputError("add: parent: give an object of the document or None");
              object.parent = std::get<TreePlace>(ControlFrom(d, parent));
            }
            if (!matrix.is_none()) object.local = MatrixFrom(matrix, "add: matrix");
            if (!boxCentre.is_none()) object.boxCentre = VectorFrom(boxCentre, "add: box_centre");
            object.halfSizes = VectorFrom(halfSizes, "add: half_sizes");
            object.selected = selected;
            return PyObjectRef{d, d->Add(object)};
          },
          py::arg("name"), py::kw_only(), py::arg("parent") = py::none(),
          py::arg("matrix") = py::none(), py::arg("box_centre") = py::none(),
          py::arg("half_sizes") = py::make_tuple(0.0, 0.0, 0.0), py::arg("selected") = false,
          "Adds an object: `matrix` places it in its parent's frame; its box has `half_sizes` "
          "and is centred at `box_centre` in its own frame (None: its origin).")
      .def(
          "add_objects",
          [](const std::shared_ptr<Document>& d, const py::object& names, const py::object& parents,
             const py::object& matrices, const py::object& boxCentres, const py::object& halfSizes,
             const py::object& selected, const std::string& layout) {
            const bool columns = ColumnsLayout(layout, "add_objects");
            NewObjects objects;
            objects.names = NamesFrom(names);
            const size_t count = objects.names.size();
            objects.parents = ParentsFrom(d, parents, objects.names);
            objects.locals = MatricesFrom(matrices, objects.names, columns);
            objects.boxCentres = VectorsFrom(boxCentres, count, "box_centres");
            objects.halfSizes = VectorsFrom(halfSizes, count, "half_sizes");
            objects.selected = FlagsFrom(selected, count);
            return ObjectsOf(d, d->AddObjects(std::move(objects)));
          },
          py::arg("names"), py::kw_only(), py::arg("parents") = py::none(), py::arg("matrices"),
          py::arg("box_centres") = py::none(), py::arg("half_sizes") = py::none(),
          py::arg("selected") = py::none(), py::arg("layout") = "rows",
          "Adds many objects at once, all or none, as add would one by one: names, parents "
          "(indices of earlier objects of the call, -1 the top level, or objects), and "
          "buffers of float32 or float64 values: 16 an object for matrices (layout 'rows' or "
          "'columns'), 3 for box_centres and half_sizes. Returns the new objects in order.")
      .def(
          "worlds",
          [](const std::shared_ptr<Document>& d, const py::object& objects,
             const std::string& layout) {
            const bool columns = ColumnsLayout(layout, "worlds");
            if (py::isinstance<py::str>(objects) || !py::isinstance<py::iterable>(objects))
              throw py::type_error("worlds: objects: give objects of the document, not " +
                                   TypeName(objects));
            const py::tuple items = ItemsOf(objects);
            std::vector<const TreePlace*> places(ItemCount(items));
            ObjectReader reader;
            for (size_t i = 0; i < places.size(); ++i) {
              const py::handle item = ItemAt(items, i);
              const PyObjectRef* object = reader.Read(item);
              if (object == nullptr)
                throw py::type_error("worlds: objects: item " + std::to_string(i) +
                                     ": give an object, not " + TypeName(item));
              if (object->document != d)
                throw InputError(d->Name() + ": worlds: objects: item " + std::to_string(i) +
                                 ": '" + object->document->Model(object->place).name +
                                 "' is an object of another document");
              places[i] = &object->place;
            }
            const std::vector<HostMatrix> worlds = d->Worlds(places);
            // Written in place, then handed to array('d'), which copies it once.
            const py::object values = py::reinterpret_steal<py::object>(PyBytes_FromStringAndSize(
                nullptr, static_cast<Py_ssize_t>(worlds.size() * 16 * sizeof(double))));
            if (!values) throw py::error_already_set();
            char* to = PyBytes_AS_STRING(values.ptr());
            for (const HostMatrix& world : worlds) {
              double matrix[16];
              WriteMatrix(world, columns, matrix);
              std::memcpy(to, matrix, sizeof matrix);
              to += sizeof matrix;
            }
            return py::module_::import("array").attr("array")("d", values);
          },
          py::arg("objects"), py::kw_only(), py::arg("layout") = "rows",
          "The objects' world matrices, 16 float64 values each in an array('d'): layout "
          "'rows' (offset at 3, 7, 11) or 'columns' (offset at 12, 13, 14, for Blender's "
          "foreach_set).")
      .def_property_readonly(
          "objects", [](const std::shared_ptr<Document>& d) { return ObjectsOf(d, d->Objects()); },
          "Every object, each before its children.")
      .def(
          "find",
          [](const std::shared_ptr<Document>& d, const std::string& name) {
            return PyObjectRef{d, d->Find(name)};
          },
          py::arg("name"), "The one object with this name, or at this path ('Table/Top').")
      .def("__getitem__",
           [](const std::shared_ptr<Document>& d, const std::string& name) {
             return PyObjectRef{d, d->Find(name)};
           })
      .def("__len__", [](const std::shared_ptr<Document>& d) { return d->Count(); })
      .def("__iter__",
           [](const std::shared_ptr<Document>& d) { return py::iter(ObjectsOf(d, d->Objects())); });
}

// A document's settings and any control of the panel.
void BindDocumentSettings(PyDocumentClass& document) {
  document
      .def_property_readonly("settings",
                             [](const std::shared_ptr<Document>& d) { return PySettings{d}; })
      .def(
          "control",
          [](const std::shared_ptr<Document>& d, int32_t id) {
            const ControlValue value = d->Control(id);
            if (const int32_t* choice = std::get_if<int32_t>(&value)) return py::cast(*choice);
            if (const bool* flag = std::get_if<bool>(&value)) return py::cast(*flag);
            return ObjectOrNone(d, value);
          },
          py::arg("id"), "A panel control's value by its id: an object, a value id or a flag.")
      .def(
          "set_control",
          [](const std::shared_ptr<Document>& d, int32_t id, const py::object& value) {
            d->SetControl(id, ControlFrom(d, value));
          },
          py::arg("id"), py::arg("value"));
}

// A gap: one number for every axis, or three (x, y, z); each finite.
kcommand::AxisGaps GapFrom(const py::handle& value, const std::string& what) {
  kcommand::AxisGaps gaps{};
  if (py::isinstance<py::sequence>(value) && !py::isinstance<py::str>(value)) {
    const kcommand::Vector3 v = VectorFrom(value, (what + ": gap").c_str());
    gaps = {v[0], v[1], v[2]};
  } else {
    const double all = NumberFrom(value, what + ": gap");
    gaps = {all, all, all};
  }
  for (const double gap : gaps)
    if (!std::isfinite(gap)) throw InputError(what + ": gap: give finite numbers");
  return gaps;
}

kcommand::PlacementFrame FrameFrom(const py::handle& value, const std::string& what) {
  if (!py::isinstance<py::str>(value))
    throw py::type_error(what + ": frame: give 'world', 'reference' or 'tool', not " +
                         TypeName(value));
  const std::string name = value.cast<std::string>();
  if (const std::optional<kcommand::PlacementFrame> frame = kcommand::ParseFrame(name))
    return *frame;
  throw InputError(what + ": frame: '" + name + "' is not 'world', 'reference' or 'tool'");
}

// The document's placement, with what a call gives in place of it.
kcommand::Placement PlacementFor(const std::shared_ptr<Document>& d, const py::object& frame,
                                 const py::object& gap, const std::string& what) {
  kcommand::Placement placement = d->DefaultPlacement();
  if (!frame.is_none()) placement.frame = FrameFrom(frame, what);
  if (!gap.is_none()) placement.gap = GapFrom(gap, what);
  kcommand::RequireGapInBoxFrame(placement, what);
  return placement;
}

// Presses, workflows, undo and saving.
void BindDocumentPresses(PyDocumentClass& document) {
  document
      .def(
          "press",
          [](const std::shared_ptr<Document>& d, const py::object& button, bool checkUndo,
             const py::object& frame, const py::object& gap) {
            if (py::isinstance<py::bool_>(button) ||
                !(py::isinstance<py::str>(button) || py::isinstance<py::int_>(button)))
              throw py::type_error("press: give a button's label or id, not " + TypeName(button));
            const int32_t id = py::isinstance<py::str>(button)
                                   ? d->Button(button.cast<std::string>())
                                   : ButtonId(button);
            return ResultOf(d, d->Press(id, checkUndo, PlacementFor(d, frame, gap, "press")));
          },
          py::arg("button"), py::kw_only(), py::arg("check_undo") = false,
          py::arg("frame") = py::none(), py::arg("gap") = py::none(),
          "Presses a panel button by its label ('align selected', 'align object', 'reset', "
          "'help') or id. With check_undo, also checks that one undo puts every object back "
          "and one redo places them again.")
      .def(
          "stack",
          [](const std::shared_ptr<Document>& d, const py::iterable& objects, bool checkUndo,
             const py::object& frame, const py::object& gap) {
            return ResultOf(d, d->Stack(PlacesFrom(d, objects), checkUndo,
                                        PlacementFor(d, frame, gap, "stack")));
          },
          py::arg("objects"), py::kw_only(), py::arg("check_undo") = false,
          py::arg("frame") = py::none(), py::arg("gap") = py::none(),
          "Stacks the objects, in the order given: the first on the linked reference, each "
          "next one on the one before, with the settings' axes; one undo step.")
      .def(
          "press_as_group",
          [](const std::shared_ptr<Document>& d, const std::optional<py::iterable>& members,
             bool checkUndo, const py::object& frame, const py::object& gap) {
            std::optional<std::vector<TreePlace>> places;
            if (members) places = PlacesFrom(d, *members);
            return ResultOf(d, d->PressAsGroup(places, checkUndo,
                                               PlacementFor(d, frame, gap, "press_as_group")));
          },
          py::arg("members") = py::none(), py::kw_only(), py::arg("check_undo") = false,
          py::arg("frame") = py::none(), py::arg("gap") = py::none(),
          "Moves the members (by default the selection) as one rigid body against the linked "
          "reference, with the settings' axes; one undo step. One member is a plain 'align "
          "object' press; none presses nothing (answer 0).")
      .def(
          "press_against_selection",
          [](const std::shared_ptr<Document>& d, bool checkUndo, const py::object& frame,
             const py::object& gap) {
            return ResultOf(d,
                            d->PressAgainstSelection(
                                checkUndo, PlacementFor(d, frame, gap, "press_against_selection")));
          },
          py::kw_only(), py::arg("check_undo") = false, py::arg("frame") = py::none(),
          py::arg("gap") = py::none(),
          "'Align selected' against the selected objects' common box instead of the "
          "reference, with the settings' axes: for example y='minus' puts each on the lowest "
          "bottom among them. One undo step.")
      .def(
          "distribute",
          [](const std::shared_ptr<Document>& d, const std::string& axis,
             const std::optional<py::iterable>& objects, const py::object& gap, bool checkUndo) {
            if (axis != "x" && axis != "y" && axis != "z")
              throw InputError("distribute: axis: '" + axis + "' is not 'x', 'y' or 'z'");
            std::optional<std::vector<TreePlace>> places;
            if (objects) places = PlacesFrom(d, *objects);
            std::optional<double> between;
            if (!gap.is_none()) {
              between = NumberFrom(gap, "distribute: gap");
              if (!std::isfinite(*between))
                throw InputError("distribute: gap: give a finite number");
            }
            return ResultOf(d, d->Distribute(axis[0] - 'x', places, between, checkUndo));
          },
          py::arg("axis"), py::arg("objects") = py::none(), py::kw_only(),
          py::arg("gap") = py::none(), py::arg("check_undo") = false,
          "Spaces the objects (by default the selection) evenly along 'x', 'y' or 'z', by "
          "their boxes in world axes: sorted by their low face, the two outermost stay and "
          "the gaps between neighbours come out equal; with gap, the lowest stays and each "
          "next one sits gap after the one before. One undo step; no reference needed.")
      .def_property(
          "frame",
          [](const Document& d) { return kcommand::FrameName(d.DefaultPlacement().frame); },
          [](Document& d, const py::object& frame) {
            kcommand::Placement placement = d.DefaultPlacement();
            placement.frame = FrameFrom(frame, "frame");
            d.SetDefaultPlacement(placement);
          },
          "How presses show the objects to the tool unless a press says: 'world' (each moved "
          "by its box in world axes, its rotation and scale kept, the reference never moved), "
          "'reference' (boxes along the reference's axes; each takes its orientation, keeps "
          "its scale) or 'tool' (the tool's own frames).")
      .def_property(
          "gap",
          [](const Document& d) {
            const kcommand::AxisGaps& gap = d.DefaultPlacement().gap;
            return py::make_tuple(gap[0], gap[1], gap[2]);
          },
          [](Document& d, const py::object& gap) {
            kcommand::Placement placement = d.DefaultPlacement();
            placement.gap = GapFrom(gap, "gap");
            d.SetDefaultPlacement(placement);
          },
          "The gap presses leave unless a press says, per axis (x, y, z): outside, the faces "
          "are that far apart; inside, that far in; center, shifted by it.")
      .def("undo", &Document::Undo, "One step back; False when there is none.")
      .def("redo", &Document::Redo, "One step forward; False when there is none.")
      .def_property_readonly("undo_steps", &Document::UndoSteps)
      .def_property_readonly("redo_steps", &Document::RedoSteps)
      .def("save", &Document::Save, py::arg("path"),
           "Writes the scene in the format it was read in (a built one: the one the name's "
           "extension asks for), whole or not at all.");
}

void BindPlugin(py::module_& m) {
  py::class_<PluginUse, std::shared_ptr<PluginUse>>(
      m, "Plugin",
      "The plug-in loaded into a host. Use it in a with statement: leaving it unloads the "
      "plug-in and raises PluginFailure when it left anything behind. Plugin objects of one "
      "folder share one load, unloaded when the last of them closes; one of another folder "
      "is refused while it is loaded.")
      .def(py::init([](const std::optional<std::string>& folder) {
             // Not value_or: the default is looked for only when no folder is given.
             return std::make_shared<PluginUse>(folder ? *folder : DefaultFolder());
           }),
           py::arg("folder") = py::none(),
           "Loads the plug-in from `folder` (default: the one shipped with this module: beside "
           "or inside the package, the installation's lib/kestrum, or the build's).")
      .def_property_readonly("folder", [](PluginUse& p) { return p.Shared()->Folder(); })
      .def_property_readonly("name", [](PluginUse& p) { return p.Run().Tool()->name; })
      .def_property_readonly("help", [](PluginUse& p) { return p.Run().Tool()->help; })
      .def_property_readonly("panel", &PanelOf,
                             "The panel the tool registered: groups of controls with their ids, "
                             "kinds, labels, defaults and choice values.")
      .def_property_readonly("console",
                             [](PluginUse& p) { return p.Run().host().ui().ConsoleLines(); })
      .def(
          "open",
          [](PluginUse& p, const std::string& path, const std::string& boxes) {
            if (boxes != "geometry" && boxes != "origin")
              throw InputError("open: boxes='" + boxes + "': give 'geometry' or 'origin'");
            p.Run();
            return std::make_shared<Document>(p.Shared(), path,
                                              boxes == "origin"
                                                  ? kcommand::BoxPlacement::kOrigin
                                                  : kcommand::BoxPlacement::kGeometry);
          },
          py::arg("path"), py::kw_only(), py::arg("boxes") = "geometry",
          "A document of a scene file the kestrum command reads (JSON, .gltf, .glb).")
      .def(
          "new_document",
          [](PluginUse& p, const std::string& name) {
            p.Run();
            return std::make_shared<Document>(p.Shared(), name);
          },
          py::arg("name") = "Untitled", "An empty document to add objects to.")
      .def("close", &PluginUse::Close,
           "Unloads the plug-in when no other Plugin holds it; raises PluginFailure listing "
           "what it left behind.")
      .def("__enter__", [](const std::shared_ptr<PluginUse>& p) { return p; })
      .def("__exit__", [](PluginUse& p, const py::args&) {
        p.Close();
        return false;
      });
}

}  // namespace
}  // namespace kpython

// The native part of the kestrum package, whose __init__.py gives its names.
PYBIND11_MODULE(_kestrum, m) {
  using namespace kpython;
  m.doc() =
      "Kestrum, the object alignment tool, from Python: load the plug-in, open or build a "
      "document, set the tool's settings, press its buttons, undo, redo and save.";
  py::register_exception<kcommand::InputError>(m, "InputError", PyExc_ValueError);
  py::register_exception<kcommand::HostFailure>(m, "PluginFailure", PyExc_RuntimeError);
  BindObject(m);
  BindSettings(m);
  BindPressResult(m);
  PyDocumentClass document = BindDocument(m);
  BindDocumentSettings(document);
  BindDocumentPresses(document);
  BindPlugin(m);
}
