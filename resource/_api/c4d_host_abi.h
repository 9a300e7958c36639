#pragma once
// The binary contract between the module and a host: value layouts, the host call
// table, its sub-tables and the host library function table. Both sides include this
// header; the operation lists below are the only place a slot or signature is written.
//
// Every table is an array of pointer-sized slots. An operation listed at byte offset B
// (the offset on a host with 32-bit pointers) lives in slot B / 4, at byte
// (B / 4) * sizeof(void*) in this build. Integer slots hold an int32_t in their first
// four bytes (little-endian) and zero in the rest.
//
// Ownership, unless an operation says otherwise: handles belong to the host; value
// storage (HostStringStorage, HostFileNameStorage, HostVector, HostMatrix) belongs to
// whoever declared it, and only the host reads or writes the content of string and
// file name storage.

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

// ---- values ---------------------------------------------------------------------

typedef struct HostVector {
  double x, y, z;
} HostVector;

// Maps a point p to offset + axisX * p.x + axisY * p.y + axisZ * p.z.
typedef struct HostMatrix {
  HostVector offset, axisX, axisY, axisZ;
} HostMatrix;

// Text value: two words that only the host interprets. Alive from StringInit to
// StringFree.
typedef struct HostStringStorage {
  void* word[2];
} HostStringStorage;

// File name value: its text part first, then two words of its own. Constructed text
// part first (StringInit, FileNameInit), destroyed file name part first (FileNameFree,
// StringFree).
typedef struct HostFileNameStorage {
  HostStringStorage text;
  void* word[2];
} HostFileNameStorage;

// ---- host handles (opaque to the module) ----------------------------------------

typedef struct HostDocument HostDocument;
typedef struct HostObject HostObject;
typedef struct HostContainer HostContainer;
typedef struct HostObjectArray HostObjectArray;
typedef struct HostBitmap HostBitmap;
typedef struct HostResourceSet HostResourceSet;
typedef struct HostPlugin HostPlugin;
typedef struct HostDescription HostDescription;

// A level of a multi-level description id: the first member is the id.
typedef struct HostDescLevel {
  int32_t id;
  int32_t dataType;
  int32_t creator;
} HostDescLevel;

// ---- fixed numbers --------------------------------------------------------------

enum {
  // The interface version: the least hostVersion a module accepts at binding, and the
  // version a module registers its plug-ins with.
  kHostInterfaceVersion = 12000,
  kHostTableSlots = 35,
  kRegistrationRecordSlots = 48,
  kPluginKindTool = 9,
  kPluginKindLibrary = 17,
  kDescriptionLibraryId = 1000467,
  kObjectKindObject = 5155,
  kUndoKindChange = 40,
  kMessageDescriptionCommand = 18,
  // Messages a module sends an object it changed (ObjectSendMessage).
  kObjectMessageChanged = 5,
  kObjectMessageUpdated = 7,
  // HostUpdateViews flags: redraw every view.
  kViewUpdateAll = 2
};

// Plug-in messages delivered through kActionMessage.
enum { kPluginMessageAlive = 0, kPluginMessageLoadResources = 1 };

// Entry point actions of c4d_main.
enum {
  kActionBind = 1,
  kActionStart = 2,
  kActionEnd = 3,
  kActionQueryVersion = 4,
  kActionMessage = 6
};

// Slots of the host call table that point at sub-tables.
enum {
  kTableGeneral = 1,
  kTableContainer = 4,
  kTableString = 5,
  kTableBitmap = 6,
  kTableFileName = 9,
  kTableAttachment = 12,
  kTableResource = 15,
  kTableObject = 18,
  kTableDocument = 19,
  kTableSceneElement = 34
};

// ---- operation lists ------------------------------------------------------------
// X(Name, byteOffset, ResultType, (parameters), (argument names), "contract")
// Out-parameters for Vector, Matrix, string and file name results come last; string
// and file name outputs are raw storage that the callee constructs. The contract says
// who owns what the operation takes or gives back and how long it lives; "host's" is
// owned by the host, "module's" by the module, "for the call" until the operation
// returns, "for the current call" until the host's call into the module returns.
//
// Threads: the host makes every call into the module (c4d_main and the tool record's
// dispatchers) on one plug-in thread, and the module calls these operations only from
// within those calls, on that thread. Neither side locks.

#define HOST_GENERAL_OPERATIONS(X)                                                              \
  X(MemoryFree, 0, void, (void* block), (block), "block: a MemoryAllocClear block, gone after") \
  X(PrintToConsole, 4, void, (const HostStringStorage* line), (line),                           \
    "line: borrowed for the call")                                                              \
  X(FileExists, 8, int32_t, (const HostFileNameStorage* name, int32_t flag), (name, flag),      \
    "name: borrowed for the call")                                                              \
  X(HostOpenFile, 32, int32_t, (const HostFileNameStorage* name), (name),                       \
    "name: borrowed for the call")                                                              \
  X(HostShowMessage, 64, void, (const HostStringStorage* text, int32_t kind), (text, kind),     \
    "text: borrowed for the call")                                                              \
  X(HostUpdateViews, 120, void, (int32_t flags, int32_t second), (flags, second), "no values")  \
  X(HostRegisterPlugin, 180, int32_t,                                                           \
    (int32_t version, int32_t kind, int32_t id, const HostStringStorage* name, void* record,    \
     int32_t size),                                                                             \
    (version, kind, id, name, record, size),                                                    \
    "name, record: copied during the call; host owns the tool object after a true answer")      \
  X(FindPlugin, 232, HostPlugin*, (int32_t id, int32_t kind), (id, kind),                       \
    "result: host's, valid while bound")                                                        \
  X(PluginLibraryData, 248, int32_t,                                                            \
    (HostPlugin * plugin, int32_t * mainId, int32_t * subId, void** data),                      \
    (plugin, mainId, subId, data), "data: host's table, valid while bound")                     \
  X(MemoryAllocClear, 252, void*, (size_t size, int32_t line, const char* file),                \
    (size, line, file), "result: module's, until MemoryFree")

#define HOST_CONTAINER_OPERATIONS(X)                                                          \
  X(ContainerSetBool, 48, void, (HostContainer * container, int32_t id, int32_t value),       \
    (container, id, value), "container: host's, for the call that handed it over")            \
  X(ContainerSetInt, 52, void, (HostContainer * container, int32_t id, int32_t value),        \
    (container, id, value), "container: host's, for the call that handed it over")            \
  X(ContainerGetObjectLink, 108, HostObject*,                                                 \
    (HostContainer * container, int32_t id, HostDocument * document, int32_t kind),           \
    (container, id, document, kind),                                                          \
    "result: host's object, for the current call into the module")                            \
  X(ContainerGetInt, 160, int32_t, (HostContainer * container, int32_t id, int32_t fallback), \
    (container, id, fallback), "container: host's, for the call that handed it over")

// Byte 0 of the string sub-table is data: a const HostStringStorage* (defaultString).
#define HOST_STRING_OPERATIONS(X)                                                                 \
  X(StringInit, 8, void, (HostStringStorage * text), (text),                                      \
    "text: caller's storage, live until StringFree")                                              \
  X(StringSetText, 16, void,                                                                      \
    (HostStringStorage * text, const char* characters, int32_t length, int32_t last),             \
    (text, characters, length, last), "characters: copied")                                       \
  X(StringFree, 24, void, (HostStringStorage * text), (text), "text: storage is raw again after") \
  X(StringHasContent, 60, int32_t, (const HostStringStorage* text), (text),                       \
    "text: borrowed for the call")

#define HOST_BITMAP_OPERATIONS(X)                                                        \
  X(BitmapNew, 0, HostBitmap*, (void), (), "result: module's, until BitmapFree")         \
  X(BitmapFree, 4, void, (HostBitmap * bitmap), (bitmap), "bitmap: gone after")          \
  X(BitmapLoadFile, 28, int32_t,                                                         \
    (HostBitmap * bitmap, const HostFileNameStorage* name, int32_t frame, int32_t last), \
    (bitmap, name, frame, last), "name: borrowed for the call")

#define HOST_FILENAME_OPERATIONS(X)                                                                \
  X(FileNameSetString, 28, void, (HostFileNameStorage * name, const HostStringStorage* text),      \
    (name, text), "text: copied")                                                                  \
  X(FileNameDirectory, 32, void, (const HostFileNameStorage* name, HostFileNameStorage* folder),   \
    (name, folder), "folder: raw storage the host constructs; caller frees it")                    \
  X(FileNameAppend, 64, void, (HostFileNameStorage * name, const HostFileNameStorage* component),  \
    (name, component), "component: copied")                                                        \
  X(FileNameInit, 68, void, (HostFileNameStorage * name), (name),                                  \
    "name: caller's storage, live until FileNameFree")                                             \
  X(FileNameFree, 72, void, (HostFileNameStorage * name), (name),                                  \
    "name: storage is raw again after")                                                            \
  X(FileNameCopy, 76, void, (const HostFileNameStorage* source, HostFileNameStorage* destination), \
    (source, destination), "destination: raw storage the host constructs; caller frees it")        \
  X(FileNameSetText, 100, void, (HostFileNameStorage * name, const char* text), (name, text),      \
    "text: copied")

#define HOST_ATTACHMENT_OPERATIONS(X)                                               \
  X(HostAttachedObject, 8, void*, (int32_t handle), (handle),                       \
    "result: module's object, until the handle is released")                        \
  X(HostAttachObject, 128, int32_t, (void* context, int32_t extra, int32_t handle), \
    (context, extra, handle), "context: the module's, kept until the handle is released")

#define HOST_RESOURCE_OPERATIONS(X)                                                                \
  X(LoadResourceSet, 0, HostResourceSet*, (const HostFileNameStorage* folder), (folder),           \
    "result: module's, until FreeResourceSet")                                                     \
  X(FreeResourceSet, 4, void, (HostResourceSet * set), (set), "set: gone after, with its strings") \
  X(ResourceSetString, 12, const HostStringStorage*, (HostResourceSet * set, int32_t id),          \
    (set, id), "result: host's, valid until FreeResourceSet; never freed by the module")

#define HOST_OBJECT_OPERATIONS(X)                                                            \
  X(ObjectGetPosition, 12, void, (HostObject * object, HostVector * out), (object, out),     \
    "out: caller's")                                                                         \
  X(ObjectSetPosition, 16, void, (HostObject * object, const HostVector* position),          \
    (object, position), "position: copied")                                                  \
  X(ObjectSetRotation, 32, void, (HostObject * object, const HostVector* rotation),          \
    (object, rotation), "rotation: copied")                                                  \
  X(ObjectGetGlobalMatrix, 44, void, (HostObject * object, HostMatrix * out), (object, out), \
    "out: caller's")                                                                         \
  X(ObjectSetGlobalMatrix, 48, void, (HostObject * object, const HostMatrix* matrix),        \
    (object, matrix), "matrix: copied")                                                      \
  X(ObjectGetBoxRadius, 132, void, (HostObject * object, HostVector * out), (object, out),   \
    "out: caller's")

#define HOST_DOCUMENT_OPERATIONS(X)                                                             \
  X(DocumentBeginUndo, 76, void, (HostDocument * document), (document),                         \
    "opens a group; the caller closes it")                                                      \
  X(DocumentEndUndo, 80, void, (HostDocument * document), (document), "closes the open group")  \
  X(DocumentAddUndo, 84, int32_t, (HostDocument * document, int32_t kind, HostObject * object), \
    (document, kind, object), "object: recorded while its group is open")                       \
  X(DocumentGetSelectedObjects, 144, void,                                                      \
    (HostDocument * document, HostObjectArray * array, int32_t flag), (document, array, flag),  \
    "array: caller's; its objects are host's, for the current call")

#define HOST_SCENE_ELEMENT_OPERATIONS(X)                                                          \
  X(ObjectSendMessage, 16, int32_t, (HostObject * object, int32_t id, void* data),                \
    (object, id, data), "data: borrowed for the call")                                            \
  X(ObjectArrayNew, 136, HostObjectArray*, (void), (), "result: module's, until ObjectArrayFree") \
  X(ObjectArrayFree, 140, void, (HostObjectArray * *holder), (holder),                            \
    "*holder: gone after; the caller drops its pointer")                                          \
  X(ObjectArrayCount, 144, int32_t, (HostObjectArray * array), (array),                           \
    "array: borrowed for the call")                                                               \
  X(ObjectArrayGet, 148, HostObject*, (HostObjectArray * array, int32_t index), (array, index),   \
    "result: host's object, for the current call")

// Every sub-table with the host call table slot that points at it:
// S(listMacro, tableSlot).
#define HOST_SUB_TABLES(S)                        \
  S(HOST_GENERAL_OPERATIONS, kTableGeneral)       \
  S(HOST_CONTAINER_OPERATIONS, kTableContainer)   \
  S(HOST_STRING_OPERATIONS, kTableString)         \
  S(HOST_BITMAP_OPERATIONS, kTableBitmap)         \
  S(HOST_FILENAME_OPERATIONS, kTableFileName)     \
  S(HOST_ATTACHMENT_OPERATIONS, kTableAttachment) \
  S(HOST_RESOURCE_OPERATIONS, kTableResource)     \
  S(HOST_OBJECT_OPERATIONS, kTableObject)         \
  S(HOST_DOCUMENT_OPERATIONS, kTableDocument)     \
  S(HOST_SCENE_ELEMENT_OPERATIONS, kTableSceneElement)

// Function table of the description library (id kDescriptionLibraryId, kind
// kPluginKindLibrary). Slot 1 holds the table's size value in bytes; an entry counts
// as present only when its whole slot lies within that size.
#define HOST_DESCRIPTION_LIBRARY_OPERATIONS(X)                                          \
  X(RegisterDescriptionResource, 8, int32_t,                                            \
    (int32_t id, const HostStringStorage* name, HostResourceSet* set), (id, name, set), \
    "name, set: read during the call; set stays the module's")                          \
  X(LoadDescriptionById, 24, int32_t, (HostDescription * description, int32_t id),      \
    (description, id), "description: host's, for the call that handed it over")         \
  X(DescriptionIdLevel, 112, const HostDescLevel*, (const void* descId, int32_t level), \
    (descId, level), "result: points into descId, valid as long as it is")

enum { kLibrarySizeSlot = 1 };

// ---- function pointer types -----------------------------------------------------

#define HOST_DECLARE_FUNCTION_TYPE(Name, Byte, Result, Params, Args, Contract) \
  typedef Result(*Name##Function) Params;
HOST_GENERAL_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_CONTAINER_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_STRING_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_BITMAP_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_FILENAME_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_ATTACHMENT_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_RESOURCE_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_OBJECT_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_DOCUMENT_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_SCENE_ELEMENT_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
HOST_DESCRIPTION_LIBRARY_OPERATIONS(HOST_DECLARE_FUNCTION_TYPE)
#undef HOST_DECLARE_FUNCTION_TYPE

// ---- tables ---------------------------------------------------------------------

// A slot holds either a pointer or a 32-bit integer in its low (first) four bytes.
typedef union HostSlot {
  const void* pointer;
  void (*function)(void);
  int32_t integer;
  uintptr_t raw;
} HostSlot;

// The host call table handed over with action 1. Slot 0 is hostVersion; the slots
// named in the kTable* list point at arrays of HostSlot.
typedef struct HostCallTable {
  HostSlot slot[kHostTableSlots];
} HostCallTable;

// ---- tool registration record ---------------------------------------------------
// What the module hands to HostRegisterPlugin for a tool: cleared to zero, filled, and
// copied by the host during that call. The host calls the dispatchers (slot 1 and slots
// 18-37, contracts at their signatures below) without looking, so none may be null; slots
// 2-7, 9-15 and 38-47 are reserved and stay zero. The host refuses a record without its
// tool object or with a null dispatcher. The validator's registration-record check
// asserts this layout, an info word of 0, a help text and a loaded icon; its lifecycle
// check that every load registers the same record.

typedef struct ToolRegistrationSlots {
  HostSlot info;               // slot 0: int32_t the host keeps with the tool; 0 for this one
  HostSlot disposeToolObject;  // slot 1
  HostSlot reserved2[6];       // slots 2-7: zero
  // Slot 8: the tool object, first argument of every dispatcher. Never null; the host's
  // from a true registration answer until it calls disposeToolObject.
  HostSlot toolObject;
  HostSlot reserved9[7];  // slots 9-15: zero
  // Slot 16: const HostStringStorage*, host-owned (a resource string); the host copies
  // the text during registration.
  HostSlot helpText;
  // Slot 17: HostBitmap* or null, the module's; the host copies the picture during
  // registration and keeps no reference to the bitmap.
  HostSlot icon;
  HostSlot toolHookA;                // 18
  HostSlot toolHookB;                // 19
  HostSlot toolHookD;                // 20
  HostSlot toolHookF;                // 21
  HostSlot toolHookG;                // 22
  HostSlot toolHookH;                // 23
  HostSlot connectAttachment;        // 24
  HostSlot releaseAttachment;        // 25
  HostSlot toolHookI;                // 26
  HostSlot toolHookJ;                // 27
  HostSlot toolHookK;                // 28
  HostSlot toolHookE;                // 29
  HostSlot fillDescription;          // 30
  HostSlot descriptionHookA;         // 31
  HostSlot isControlEnabled;         // 32
  HostSlot descriptionHookB;         // 33
  HostSlot messageHandler;           // 34
  HostSlot writeDefaultSettings;     // 35
  HostSlot toolHookC;                // 36
  HostSlot descriptionResourceName;  // 37
  HostSlot reserved38[10];           // slots 38-47: zero
} ToolRegistrationSlots;

// Signatures of the record's dispatchers; the first parameter is the tool object. Each
// passes the rest unchanged to the tool's virtual operation of its name, so the
// most-derived version runs, and hands back its answer unchanged. A truth answer is 0 for
// false, anything else for true. Unnamed parameters carry nothing the tool relies on: it
// ignores them, and what the host puts there is the host's affair. Pointers the host
// passes are the host's, for the call. The answers given are this module's tool's;
// "Checked" is what the validator's hostile-arguments check asserts, calling through the
// record as a host does.

// Slot 1. Deletes the tool object, and with it all it holds; null does nothing. The host
// calls it once and drops the object. Checked by the lifecycle check: nothing is left
// after dispose and unload.
typedef void (*DisposeToolObjectFunction)(void* tool);
// Slot 18. Truth: true; leaves the tool's state alone. Checked: (0, 0, 0) answers 1.
typedef int32_t (*ToolHookAFunction)(void* tool, int32_t, int32_t, int32_t);
// Slot 19. From its first call on, control 704 is never disabled (IsControlEnabled).
// Checked through IsControlEnabled(704), 1 after it.
typedef void (*ToolHookBFunction)(void* tool, int32_t, int32_t);
// Slot 20. Truth: true. Checked: all zeros answer 1.
typedef int32_t (*ToolHookDFunction)(void* tool, int32_t, int32_t, int32_t, int32_t, int32_t);
// Slot 21. Answers 0x40000000 (bit 30 alone). Checked: 7 answers 1073741824.
typedef int32_t (*ToolHookFFunction)(void* tool, int32_t);
// Slot 22. Answers 0. Checked: all zeros answer 0.
typedef int32_t (*ToolHookGFunction)(void* tool, int32_t, int32_t, int32_t, int32_t, int32_t,
                                     int32_t, int32_t, int32_t);
// Slot 23. Answers 2. Checked: all zeros answer 2.
typedef int32_t (*ToolHookHFunction)(void* tool, int32_t, int32_t, int32_t, int32_t, int32_t,
                                     int32_t);
// Slot 24. A null context answers 0 and does nothing. Otherwise the tool makes its
// attachment for key, hands context, extra and its handle to HostAttachObject and answers
// the handle; 0 when it makes none, as this tool never does. Checked: 0 without and with a
// context.
typedef int32_t (*ConnectAttachmentFunction)(void* tool, int32_t key, void* context, int32_t extra);
// Slot 25. Deletes the object HostAttachedObject yields for handle, if any. Checked: a
// handle never given out leaves no attachment behind.
typedef void (*ReleaseAttachmentFunction)(void* tool, int32_t handle);
// Slot 26. Truth: false. Checked: all zeros answer 0.
typedef int32_t (*ToolHookIFunction)(void* tool, int32_t, int32_t, int32_t, int32_t);
// Slot 27. Does nothing. Checked: returns.
typedef void (*ToolHookJFunction)(void* tool);
// Slot 28. Truth: true. Checked: all zeros answer 1.
typedef int32_t (*ToolHookKFunction)(void* tool, int32_t, int32_t, int32_t, int32_t, int32_t,
                                     int32_t);
// Slot 29. Truth: false. Checked: all zeros answer 0.
typedef int32_t (*ToolHookEFunction)(void* tool, int32_t, int32_t, int32_t, int32_t, int32_t);
// Slot 30. Loads the tool's description into description (LoadDescriptionById with its
// plug-in id). Truth: whether it loaded; then bit value 2 is set in *flags, otherwise
// *flags is untouched. Checked: a fresh description answers 1, flags 0 become 2, and it
// holds plug-in 1029646's description.
typedef int32_t (*FillDescriptionFunction)(void* tool, int32_t, int32_t,
                                           HostDescription* description, int32_t* flags);
// Slot 31. Truth: whether *flags has bit value 2 (a description loaded); *flags is only
// read. Checked: flags 1 answer 0, flags 3 answer 1.
typedef int32_t (*DescriptionHookAFunction)(void* tool, int32_t, int32_t, int32_t, int32_t,
                                            int32_t* flags);
// Slot 32. container: the tool's settings. descId: the control's description id, read only
// through DescriptionIdLevel. Truth: false for control 704 before any ToolHookB while flag
// 705 or 706 is non-zero, true otherwise. Checked: 704 with 705 set answers 0, then 1
// after ToolHookB; another control 1; 704 with no settings 1.
typedef int32_t (*IsControlEnabledFunction)(void* tool, int32_t, HostContainer* container,
                                            const void* descId, int32_t, int32_t, int32_t);
// Slot 33. As DescriptionHookA. Checked: flags 0 answer 0, flags 2 answer 1.
typedef int32_t (*DescriptionHookBFunction)(void* tool, int32_t, int32_t, int32_t, int32_t,
                                            int32_t* flags);
// Slot 34. document: the one the command acts on, may be null. container: the tool's
// settings. For type kMessageDescriptionCommand, data is a record whose first member is
// the pressed control's description id, read through DescriptionIdLevel; other types are
// ignored. Runs the command the id names (unknown ids do nothing) and answers true,
// always. Checked: 1 for unknown types and command ids, an id without levels, no document,
// empty or dangling links and absent settings, with no move, undo step or message where
// none is due; the undo-discipline and random-run checks assert the placements and one
// undo step per aligning command.
typedef int32_t (*MessageHandlerFunction)(void* tool, HostDocument* document,
                                          HostContainer* container, int32_t type, void* data);
// Slot 35. container: the tool's settings; document is not used and may be null. Writes
// the six axis defaults, then flag 705 as false. Checked: an empty container ends with
// exactly those seven entries.
typedef void (*WriteDefaultSettingsFunction)(void* tool, HostDocument* document,
                                             HostContainer* container);
// Slot 36. Answers -1. Checked: -1 answers -1.
typedef int32_t (*ToolHookCFunction)(void* tool, int32_t);
// Slot 37. out: raw storage the module constructs with the name of the tool's description
// resource (empty for none); the caller frees it. Checked: "Kestrum".
typedef void (*DescriptionResourceNameFunction)(void* tool, HostStringStorage* out);

// The exported entry point.
typedef int32_t (*ModuleEntryFunction)(int32_t action, void* p1, void* p2, void* p3);

#ifdef __cplusplus
}  // extern "C"

// Commands and flags the host defines for description-driven tools: command ids arrive
// in the first level of a kMessageDescriptionCommand's description id, flags are
// settings container entries. Typed, since tools list them beside their own int32_t ids.
constexpr int32_t HOST_COMMAND_ALIGN_OBJECT_ALT = 701;
constexpr int32_t HOST_COMMAND_RESET = 702;
constexpr int32_t HOST_COMMAND_ALIGN_OBJECT = 704;
constexpr int32_t HOST_FLAG_AUTO_COMMAND = 705;
constexpr int32_t HOST_FLAG_AUTO_COMMAND_ALT = 706;

// A slot holding a function pointer. Name the function type explicitly
// (HostFunctionSlot<ToolHookAFunction>(&f)) to have the signature checked.
template <typename Function>
HostSlot HostFunctionSlot(Function function) {
  HostSlot slot{};
  slot.function = reinterpret_cast<void (*)(void)>(function);
  return slot;
}

// ---- layout checks --------------------------------------------------------------

constexpr size_t HostSlotOf(size_t byteOffset) { return byteOffset / 4; }

static_assert(sizeof(HostSlot) == sizeof(void*), "a slot is one pointer wide");
static_assert(sizeof(HostVector) == 24 && sizeof(HostMatrix) == 96, "value sizes");
static_assert(offsetof(HostMatrix, axisX) == 24 && offsetof(HostMatrix, axisZ) == 72,
              "matrix field order");
static_assert(sizeof(HostStringStorage) == 2 * sizeof(void*), "string storage");
static_assert(sizeof(HostFileNameStorage) == 4 * sizeof(void*), "file name storage");
static_assert(sizeof(HostDescLevel) == 12, "description level record");
static_assert(sizeof(ToolRegistrationSlots) == kRegistrationRecordSlots * sizeof(void*),
              "registration record is 48 slots");

#define HOST_CHECK_RECORD_SLOT(field, byte)                                                 \
  static_assert(offsetof(ToolRegistrationSlots, field) == HostSlotOf(byte) * sizeof(void*), \
                #field " slot");                                                            \
  static_assert(sizeof(void*) != 4 || offsetof(ToolRegistrationSlots, field) == (byte),     \
                #field " byte offset on a 32-bit build");
HOST_CHECK_RECORD_SLOT(info, 0)
HOST_CHECK_RECORD_SLOT(disposeToolObject, 4)
HOST_CHECK_RECORD_SLOT(toolObject, 32)
HOST_CHECK_RECORD_SLOT(helpText, 64)
HOST_CHECK_RECORD_SLOT(icon, 68)
HOST_CHECK_RECORD_SLOT(toolHookA, 72)
HOST_CHECK_RECORD_SLOT(toolHookB, 76)
HOST_CHECK_RECORD_SLOT(toolHookD, 80)
HOST_CHECK_RECORD_SLOT(toolHookF, 84)
HOST_CHECK_RECORD_SLOT(toolHookG, 88)
HOST_CHECK_RECORD_SLOT(toolHookH, 92)
HOST_CHECK_RECORD_SLOT(connectAttachment, 96)
HOST_CHECK_RECORD_SLOT(releaseAttachment, 100)
HOST_CHECK_RECORD_SLOT(toolHookI, 104)
HOST_CHECK_RECORD_SLOT(toolHookJ, 108)
HOST_CHECK_RECORD_SLOT(toolHookK, 112)
HOST_CHECK_RECORD_SLOT(toolHookE, 116)
HOST_CHECK_RECORD_SLOT(fillDescription, 120)
HOST_CHECK_RECORD_SLOT(descriptionHookA, 124)
HOST_CHECK_RECORD_SLOT(isControlEnabled, 128)
HOST_CHECK_RECORD_SLOT(descriptionHookB, 132)
HOST_CHECK_RECORD_SLOT(messageHandler, 136)
HOST_CHECK_RECORD_SLOT(writeDefaultSettings, 140)
HOST_CHECK_RECORD_SLOT(toolHookC, 144)
HOST_CHECK_RECORD_SLOT(descriptionResourceName, 148)
#undef HOST_CHECK_RECORD_SLOT
static_assert(sizeof(void*) != 4 || sizeof(ToolRegistrationSlots) == 192,
              "registration record is 192 bytes on a 32-bit build");

// Host call table: the sub-table pointers at the bytes a 32-bit host uses.
#define HOST_CHECK_TABLE_SLOT(tableSlot, byte)                                            \
  static_assert(HostSlotOf(byte) == (tableSlot), #tableSlot " slot");                     \
  static_assert(sizeof(void*) != 4 || offsetof(HostCallTable, slot[tableSlot]) == (byte), \
                #tableSlot " byte offset on a 32-bit build");
HOST_CHECK_TABLE_SLOT(kTableGeneral, 4)
HOST_CHECK_TABLE_SLOT(kTableContainer, 16)
HOST_CHECK_TABLE_SLOT(kTableString, 20)
HOST_CHECK_TABLE_SLOT(kTableBitmap, 24)
HOST_CHECK_TABLE_SLOT(kTableFileName, 36)
HOST_CHECK_TABLE_SLOT(kTableAttachment, 48)
HOST_CHECK_TABLE_SLOT(kTableResource, 60)
HOST_CHECK_TABLE_SLOT(kTableObject, 72)
HOST_CHECK_TABLE_SLOT(kTableDocument, 76)
HOST_CHECK_TABLE_SLOT(kTableSceneElement, 136)
#undef HOST_CHECK_TABLE_SLOT

// Every listed operation sits on a slot boundary.
#define HOST_CHECK_OPERATION(Name, Byte, Result, Params, Args, Contract) \
  static_assert((Byte) % 4 == 0, #Name " byte offset is slot aligned");
#define HOST_CHECK_OPERATION_LIST(List, TableSlot) List(HOST_CHECK_OPERATION)
HOST_SUB_TABLES(HOST_CHECK_OPERATION_LIST)
HOST_DESCRIPTION_LIBRARY_OPERATIONS(HOST_CHECK_OPERATION)
#undef HOST_CHECK_OPERATION_LIST
#undef HOST_CHECK_OPERATION

#endif  // __cplusplus
