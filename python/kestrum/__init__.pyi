"""Kestrum, the object alignment tool, from Python.

Load the plug-in, open or build a document, set the tool's settings, press its
buttons, undo, redo and save. Every placement comes from the plug-in through the host.
"""

from array import array
from typing import Iterable, Iterator, Literal, Optional, Sequence, Union

from _typeshed import ReadableBuffer

Matrix = Sequence[Sequence[float]]
"""Four rows of four numbers, the offset in the last column, the bottom row 0 0 0 1."""
MatrixTuple = tuple[
    tuple[float, float, float, float],
    tuple[float, float, float, float],
    tuple[float, float, float, float],
    tuple[float, float, float, float],
]
Frame = Literal["world", "reference", "tool"]
"""How a press shows the objects to the tool (Document.frame)."""
Gap = Union[float, Sequence[float]]
"""One number for every axis, or three (x, y, z)."""

class InputError(ValueError):
    """Bad input: a file, a name, a setting or a value; the message names it."""

class PluginFailure(RuntimeError):
    """The plug-in did not carry out a press, or left something behind."""

class Object:
    """An object of a document, as the host holds it."""
    @property
    def name(self) -> str: ...
    @property
    def path(self) -> str:
        """Names from the top level down, separated by '/'."""
    @property
    def parent(self) -> Optional[Object]: ...
    @property
    def world(self) -> MatrixTuple:
        """World matrix."""
    @property
    def local(self) -> MatrixTuple:
        """Matrix in the parent's frame."""
    @property
    def half_sizes(self) -> tuple[float, float, float]: ...
    @property
    def box_centre(self) -> Optional[tuple[float, float, float]]:
        """The box's centre in the object's own frame; None: its origin."""
    selected: bool
    def __eq__(self, other: object) -> bool: ...
    def __hash__(self) -> int: ...

class Settings:
    """The tool's settings of one document by name.

    'reference' and 'object' hold objects (or None); 'x', 'y' and 'z' a placement,
    'MODE' or 'MODE:SIDE' with MODE none, plus, center or minus and SIDE inside or
    outside.
    """
    def __getitem__(self, name: str) -> Union[Object, str, None]: ...
    def __setitem__(self, name: str, value: Union[Object, str, None]) -> None: ...
    def __delitem__(self, name: Literal["reference", "object"]) -> None: ...
    def __contains__(self, name: str) -> bool: ...
    def __iter__(self) -> Iterator[str]: ...
    def __len__(self) -> int: ...
    def keys(self) -> tuple[str, ...]: ...

class PressResult:
    """What a press did."""
    @property
    def answer(self) -> int:
        """The tool's answer to the press."""
    @property
    def summary(self) -> str:
        """What moved ('2 objects moved'), or why nothing did ('nothing moved: no axis is chosen')."""
    @property
    def moved(self) -> list[Object]:
        """The objects whose placement changed."""
    @property
    def opened(self) -> list[str]:
        """Files the tool asked the host to open (its help page)."""
    @property
    def messages(self) -> list[str]:
        """Messages the tool showed."""

class Document:
    """A scene in the host: objects, the tool's settings, undo and redo."""
    @property
    def name(self) -> str: ...
    def add(
        self,
        name: str,
        *,
        parent: Optional[Object] = None,
        matrix: Optional[Matrix] = None,
        box_centre: Optional[Sequence[float]] = None,
        half_sizes: Sequence[float] = (0.0, 0.0, 0.0),
        selected: bool = False,
    ) -> Object:
        """Adds an object: `matrix` places it in its parent's frame; its box has
        `half_sizes` and is centred at `box_centre` in its own frame (None: its origin).
        Objects are added before the presses that move anything."""
    def add_objects(
        self,
        names: Sequence[str],
        *,
        parents: Optional[Sequence[Union[int, Object]]] = None,
        matrices: ReadableBuffer,
        box_centres: Optional[ReadableBuffer] = None,
        half_sizes: Optional[ReadableBuffer] = None,
        selected: Union[Sequence[object], ReadableBuffer, None] = None,
        layout: Literal["rows", "columns"] = "rows",
    ) -> list[Object]:
        """Adds many objects at once, all or none, as add would one by one: `parents`
        gives each an earlier object of the call by index, -1 for the top level, or an
        object of the document (None: all at the top level). `matrices`, `box_centres`
        and `half_sizes` are buffers of float32 or float64 values (array('f'),
        array('d')): 16 an object for matrices, laid out in rows (offset at 3, 7, 11, as
        add takes it) or columns (offset at 12, 13, 14, as Blender's foreach_get fills
        them); 3 an object for the others (None: boxes at their origins, points).
        `selected` has one truth value an object (a list or bytes). Returns the new
        objects in call order."""
    def worlds(
        self, objects: Iterable[Object], *, layout: Literal["rows", "columns"] = "rows"
    ) -> array[float]:
        """The objects' world matrices in the order given, 16 float64 values each, laid
        out in rows or columns (as Blender's foreach_set takes them)."""
    @property
    def objects(self) -> list[Object]:
        """Every object, each before its children."""
    def find(self, name: str) -> Object:
        """The one object with this name, or at this path ('Table/Top')."""
    def __getitem__(self, name: str) -> Object: ...
    def __len__(self) -> int: ...
    def __iter__(self) -> Iterator[Object]: ...
    @property
    def settings(self) -> Settings: ...
    def control(self, id: int) -> Union[Object, int, bool, None]:
        """A panel control's value by its id (see Plugin.panel)."""
    def set_control(self, id: int, value: Union[Object, int, bool, None]) -> None: ...
    @property
    def frame(self) -> Frame:
        """How presses show the objects to the tool unless a press says: 'world' (the
        default: each moved by its box in world axes, its rotation and scale kept, the
        reference never moved), 'reference' (boxes along the reference's axes; each
        takes its orientation, keeps its scale) or 'tool' (the tool's own frames)."""
    @frame.setter
    def frame(self, frame: Frame) -> None: ...
    @property
    def gap(self) -> tuple[float, float, float]:
        """The gap presses leave unless a press says, per axis (x, y, z): outside, the
        faces are that far apart; inside, that far in; center, shifted by it."""
    @gap.setter
    def gap(self, gap: Gap) -> None: ...
    def press(self, button: Union[str, int], *, check_undo: bool = False,
              frame: Optional[Frame] = None, gap: Optional[Gap] = None) -> PressResult:
        """Presses a panel button by its label ('align selected', 'align object',
        'reset', 'help') or id. With check_undo, also checks that one undo puts every
        object back and one redo places them again."""
    def stack(self, objects: Iterable[Object], *, check_undo: bool = False,
              frame: Optional[Frame] = None, gap: Optional[Gap] = None) -> PressResult:
        """Stacks the objects, in the order given: the first on the linked reference,
        each next one on the one before, with the settings' axes; one undo step."""
    def press_as_group(self, members: Optional[Iterable[Object]] = None, *,
                       check_undo: bool = False, frame: Optional[Frame] = None,
                       gap: Optional[Gap] = None) -> PressResult:
        """Moves the members (by default the selection) as one rigid body against the
        linked reference, with the settings' axes; one undo step. One member is a plain
        'align object' press; none presses nothing (answer 0)."""
    def press_against_selection(self, *, check_undo: bool = False,
                                frame: Optional[Frame] = None,
                                gap: Optional[Gap] = None) -> PressResult:
        """'Align selected' against the selected objects' common box instead of the
        reference, with the settings' axes: for example y='minus' puts each on the
        lowest bottom among them. One undo step."""
    def distribute(self, axis: Literal["x", "y", "z"],
                   objects: Optional[Iterable[Object]] = None, *,
                   gap: Optional[float] = None, check_undo: bool = False) -> PressResult:
        """Spaces the objects (by default the selection) evenly along the axis, by their
        boxes in world axes: sorted by their low face, the two outermost stay and the
        gaps between neighbours come out equal; with gap, the lowest stays and each next
        one sits gap after the one before. One undo step; no reference needed."""
    def undo(self) -> bool:
        """One step back; False when there is none."""
    def redo(self) -> bool:
        """One step forward; False when there is none."""
    @property
    def undo_steps(self) -> int: ...
    @property
    def redo_steps(self) -> int: ...
    def save(self, path: str) -> None:
        """Writes the scene in the format it was read in (a built one: the one the
        name's extension asks for), whole or not at all."""

class Plugin:
    """The plug-in loaded into a host.

    Use it in a with statement: leaving it unloads the plug-in and raises
    PluginFailure when it left anything behind. Plugin objects of one folder share
    one load, unloaded when the last of them closes; one of another folder is
    refused while it is loaded.
    """
    def __init__(self, folder: Optional[str] = None) -> None:
        """Loads the plug-in from `folder` (default: the one shipped with this
        module: beside or inside the package, the installation's lib/kestrum, or the
        build's)."""
    @property
    def folder(self) -> str: ...
    @property
    def name(self) -> str: ...
    @property
    def help(self) -> str: ...
    @property
    def panel(self) -> list[dict]:
        """The panel the tool registered: groups ('label', 'controls') of controls
        ('id', 'name', 'kind', 'label', 'default', 'values')."""
    @property
    def console(self) -> list[str]: ...
    def open(self, path: str, *, boxes: Literal["geometry", "origin"] = "geometry") -> Document:
        """A document of a scene file the kestrum command reads (JSON, .gltf, .glb)."""
    def new_document(self, name: str = "Untitled") -> Document:
        """An empty document to add objects to."""
    def close(self) -> None:
        """Unloads the plug-in; raises PluginFailure listing what it left behind."""
    def __enter__(self) -> Plugin: ...
    def __exit__(self, *args: object) -> Literal[False]: ...
