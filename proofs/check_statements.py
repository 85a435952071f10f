#!/usr/bin/python3
"""Ties the Gappa scripts in proofs/ to the kernels they prove; run by proofs/check.

Each refined-root kernel's header states its steps in a comment block,
"Steps of F():" (every operation of F is a step) or "Arithmetic steps of
F():" (its floating-point arithmetic only, the rest being selections), one
step a line:

    //   s = rd(g + h * d)

This program fails, naming the step, where
- the code of F computes other steps: another operation, other operands or
  operands in another order, another rounding (its rounding argument, or
  MXCSR's rounding to nearest for an instruction without one), or more or
  fewer steps (a loop is unrolled);
- a script states a step otherwise: each script names, in a "#steps" line,
  the steps it states, and states each as one rounding (rn, rd, ru, as its
  "@rn = float<ieee_64, ne>" lines define them) of an expression, or as a
  double within a bound (a rounding of a variable it leaves free);
- the scripts' constants and ranges differ from the kernels' (the estimate's
  magic number, the refined range, the scaled 2^-1022 of "#scaled" lines),
  or the bound on the estimate differs between the statement, the scripts'
  hypotheses, the estimate test and docs/correct-rounding.md.
Each failure is a line on stderr; the exit status is the number of them.
"""
import re
import sys
from fractions import Fraction
from pathlib import Path

KERNELS = ("avx512f", "avx2")
HEADER = "numeric/src/x86/refined_root_{}.hpp"
ESTIMATE_TEST = "test/root_estimate_test.cpp"
DOCS = "docs/correct-rounding.md"
# The section of DOCS that argues for each kernel, by its heading.
DOCS_SECTION = {"avx512f": "## The AVX-512F steps", "avx2": "## The AVX2 steps"}

failures = []


def fail(message):
    failures.append(message)
    print(f"proofs/check: {message}", file=sys.stderr)


class Unreadable(Exception):
    pass


# --- Expressions -----------------------------------------------------------
#
# An expression is a tuple: ("num", Fraction), ("name", str), ("call", name,
# args), ("round", mode, operand), ("bin", op, left, right), ("neg", operand)
# or ("cond", condition, then, else). Statement, code and scripts are each
# read into this form, and compared in it.

ROUNDINGS = ("rn", "rd", "ru", "rz")
TOKEN = re.compile(
    r"\s*(?:(?P<num>0x[0-9A-Fa-f]+(?:\.[0-9A-Fa-f]*)?(?:p[-+]?\d+)?"
    r"|2\^-?\d+|\d+(?:\.\d*)?(?:[eE][-+]?\d+|b-?\d+)?)"
    r"|(?P<name>[A-Za-z_]\w*)|(?P<op>>>|>=|<=|!=|==|&&|\|\||::|[-+*/(),?:<>|&!.\[\]{}=;~]))"
)


def number(text):
    if text.startswith("2^"):
        return Fraction(2) ** int(text[2:])
    if text.startswith("0x"):
        if "." in text or "p" in text:
            return Fraction(float.fromhex(text))
        return Fraction(int(text, 16))
    if "b" in text:
        mantissa, exponent = text.split("b")
        return Fraction(mantissa) * Fraction(2) ** int(exponent)
    return Fraction(text)


def tokens(text):
    found, at = [], 0
    text = text.rstrip()
    while at < len(text):
        match = TOKEN.match(text, at)
        if not match or match.end() == at:
            raise Unreadable(f"cannot read {text[at:at + 20]!r}")
        kind = match.lastgroup
        found.append((kind, match.group(kind)))
        at = match.end()
    return found


class Parser:
    """Expressions with C's precedence: ?:, comparisons, >>, + -, * /."""

    LEVELS = [("<", ">", "<=", ">=", "==", "!="), (">>",), ("+", "-"), ("*", "/")]

    def __init__(self, text):
        self.tokens = tokens(text)
        self.at = 0

    def peek(self):
        return self.tokens[self.at][1] if self.at < len(self.tokens) else None

    def take(self, expected=None):
        if self.at >= len(self.tokens):
            raise Unreadable("the expression ends too soon")
        kind, text = self.tokens[self.at]
        if expected is not None and text != expected:
            raise Unreadable(f"expected {expected!r}, found {text!r}")
        self.at += 1
        return kind, text

    def whole(self):
        expression = self.conditional()
        if self.at != len(self.tokens):
            raise Unreadable(f"unexpected {self.peek()!r}")
        return expression

    def conditional(self):
        condition = self.binary(0)
        if self.peek() != "?":
            return condition
        self.take("?")
        then = self.conditional()
        self.take(":")
        return ("cond", condition, then, self.conditional())

    def binary(self, level):
        if level == len(self.LEVELS):
            return self.unary()
        left = self.binary(level + 1)
        while self.peek() in self.LEVELS[level]:
            op = self.take()[1]
            left = ("bin", op, left, self.binary(level + 1))
        return left

    def unary(self):
        if self.peek() == "-":
            self.take()
            operand = self.unary()
            if operand[0] == "num":
                return ("num", -operand[1])
            return ("neg", operand)
        return self.primary()

    def primary(self):
        kind, text = self.take()
        if kind == "num":
            return ("num", number(text))
        if text == "(":
            inner = self.conditional()
            self.take(")")
            return inner
        if kind != "name":
            raise Unreadable(f"unexpected {text!r}")
        if self.peek() != "(":
            return ("name", text)
        self.take("(")
        args = []
        while self.peek() != ")":
            args.append(self.conditional())
            if self.peek() != ")":
                self.take(",")
        self.take(")")
        if text in ROUNDINGS and len(args) == 1:
            return ("round", text, args[0])
        return ("call", text, args)


def parse(text):
    return Parser(text).whole()


PRECEDENCE = {"cond": 1, "<": 2, ">": 2, "<=": 2, ">=": 2, "==": 2, "!=": 2, ">>": 3}
PRECEDENCE.update({"+": 4, "-": 4, "*": 5, "/": 5})


def show_number(value):
    if value.denominator == 1 and abs(value) < 2**20:
        return str(value.numerator)
    power = value.numerator if value.denominator == 1 else value.denominator
    if value.numerator in (1, power) and power & (power - 1) == 0:
        e = power.bit_length() - 1
        return "0.5" if value == Fraction(1, 2) else f"2^{e if value > 1 else -e}"
    if value.denominator == 1 and value < 2**64:
        return hex(value.numerator)
    return repr(float(value))


def show(e, outer=0, right=False):
    kind = e[0]
    if kind == "num":
        return show_number(e[1])
    if kind == "name":
        return e[1]
    if kind in ("call", "round"):
        args = e[2] if kind == "call" else [e[2]]
        return f"{e[1]}({', '.join(show(a) for a in args)})"
    if kind == "neg":
        return "-" + show(e[1], 6)
    if kind == "cond":
        text = f"{show(e[1], 2)} ? {show(e[2], 1)} : {show(e[3], 1)}"
        precedence = 1
    else:
        precedence = PRECEDENCE[e[1]]
        text = f"{show(e[2], precedence)} {e[1]} {show(e[3], precedence, True)}"
    if precedence < outer or (precedence == outer and right):
        return f"({text})"
    return text


def substitute(e, values):
    """e with each name in `values` replaced by its value."""
    if e[0] == "name":
        return values.get(e[1], e)
    if e[0] == "num":
        return e
    if e[0] == "call":
        return ("call", e[1], [substitute(a, values) for a in e[2]])
    if e[0] == "round":
        return ("round", e[1], substitute(e[2], values))
    return (e[0],) + tuple(
        substitute(part, values) if isinstance(part, tuple) else part for part in e[1:]
    )


# --- The statement -------------------------------------------------------


class Step:
    def __init__(self, name, expression, note, function, line):
        self.name, self.expression, self.note = name, expression, note
        self.function, self.line = function, line

    def __str__(self):
        return f"{self.name} = {show(self.expression)}"


STEP_LINE = re.compile(r"^//\s{3,}(\w+) = (.+?)(?:\s{2,}\((.*)\))?\s*$")
BLOCK_HEADING = re.compile(r"^// (Arithmetic steps|Steps) of (\w+)\(\)")


def read_statement(header, lines):
    """The steps in order, and each function's block: whether every
    operation of it is a step."""
    steps, blocks = [], {}
    function = None
    for number_, line in enumerate(lines, 1):
        heading = BLOCK_HEADING.match(line)
        if heading:
            function = heading.group(2)
            blocks[function] = heading.group(1) == "Steps"
            continue
        if not line.startswith("//"):
            function = None
            continue
        step = STEP_LINE.match(line)
        if function and step:
            try:
                expression = parse(step.group(2))
            except Unreadable as error:
                fail(f"{header}:{number_}: cannot read the step {step.group(2)!r}: {error}")
                continue
            steps.append(Step(step.group(1), expression, step.group(3), function, number_))
    names = [s.name for s in steps]
    for name in sorted({n for n in names if names.count(n) > 1}):
        fail(f"{header}: the statement names two steps {name}")
    return steps, blocks


# --- The code --------------------------------------------------------------


class Code:
    """The steps a function's code computes, read from its intrinsics."""

    MODES = {
        "_MM_FROUND_TO_NEAREST_INT": "rn",
        "_MM_FROUND_TO_NEG_INF": "rd",
        "_MM_FROUND_TO_POS_INF": "ru",
        "_MM_FROUND_TO_ZERO": "rz",
    }

    def __init__(self, header, text):
        self.header = header
        # Comments blanked, lines kept.
        self.text = re.sub(r"//[^\n]*", "", text)
        self.rounding_names = dict(re.findall(r"constexpr int (\w+) = ([^;]+);", self.text))
        self.constants = {}
        definitions = re.findall(r"constexpr (?:double|long long) (\w+) = ([^;]+);", self.text)
        for name, value in definitions:
            value = re.sub(r"\s*//.*", "", value).strip()
            if value == "std::numeric_limits<double>::min()":
                self.constants[name] = Fraction(2) ** -1022
            elif value == "std::numeric_limits<double>::max()":
                self.constants[name] = Fraction(float.fromhex("0x1.fffffffffffffp1023"))
            else:
                try:
                    self.constants[name] = number(value)
                except (ValueError, ZeroDivisionError):
                    pass

    def body(self, function):
        """The tokens of the function's body, each with its line number."""
        start = re.search(rf"^[^\n;]*\b{function}\s*\([^)]*\)[^;{{]*\{{", self.text, re.M)
        if not start:
            raise Unreadable(f"no definition of {function}()")
        depth, at = 1, start.end()
        while depth:
            brace = re.compile(r"[{}]").search(self.text, at)
            if not brace:
                raise Unreadable(f"{function}() does not end")
            depth += 1 if brace.group() == "{" else -1
            at = brace.end()
        found = []
        first_line = self.text.count("\n", 0, start.end()) + 1
        for offset, line in enumerate(self.text[start.end() : at - 1].split("\n")):
            found += [(kind, text, first_line + offset) for kind, text in tokens(line)]
        return found

    def rounding(self, argument):
        """rn, rd, ru or rz, and whether exceptions are suppressed."""
        text = self.rounding_names.get(argument, argument)
        parts = {p.strip() for p in text.split("|")}
        modes = [self.MODES[p] for p in parts if p in self.MODES]
        if len(modes) != 1 or not parts <= set(self.MODES) | {"_MM_FROUND_NO_EXC"}:
            raise Unreadable(f"cannot read the rounding {argument} = {text}")
        return modes[0] if "_MM_FROUND_NO_EXC" in parts else f"{modes[0]}_raising_flags"

    def steps(self, function, every_operation):
        """The steps in order: (expression, line, intrinsic call as written),
        where an operand that is an earlier step is ("step", index); and the
        loops met, as (line, count)."""
        self.found, self.loops, self.every = [], [], every_operation
        self.values = {}
        body = self.body(function)
        at = 0
        while at < len(body):
            at = self.statement(body, at)
        return self.found, self.loops

    # Statements: declarations, assignments, return, for (unrolled), if
    # (both branches, where only the arithmetic is read).
    def statement(self, body, at):
        text = body[at][1]
        if text == "{":
            at += 1
            while body[at][1] != "}":
                at = self.statement(body, at)
            return at + 1
        if text == "for":
            start = self.matching(body, at + 1)
            match = re.fullmatch(
                r"for \( int (\w+) = 0 ; \1 < (\d+) ; \+ \+ \1 \)",
                " ".join(t for _, t, _ in body[at:start]),
            )
            if not match:
                raise Unreadable(f"line {body[at][2]}: cannot read the loop")
            count = int(match.group(2))
            self.loops.append((body[at][2], count))
            end = start
            for _ in range(count):
                end = self.statement(body, start)
            return end
        if text == "if" and not self.every:
            end = self.matching(body, at + 1)
            at = self.statement(body, end)
            if at < len(body) and body[at][1] == "else":
                at = self.statement(body, at + 1)
            return at
        end = at
        while body[end][1] != ";":
            end += 1
        words = [t for _, t, _ in body[at:end]]
        if words[0] == "return":
            self.evaluate(body[at + 1 : end], None)
        elif "=" in words:
            equals = words.index("=")
            declared = [w for w in words[:equals] if w != "const"]
            if len(declared) not in (1, 2):
                raise Unreadable(f"line {body[at][2]}: cannot read {' '.join(words)}")
            self.values[declared[-1]] = self.evaluate(body[at + equals + 1 : end], declared[-1])
        elif self.every:
            raise Unreadable(f"line {body[at][2]}: cannot read {' '.join(words)}")
        return end + 1

    @staticmethod
    def matching(body, at):
        depth = 0
        while True:
            depth += {"(": 1, ")": -1}.get(body[at][1], 0)
            at += 1
            if depth == 0:
                return at

    def evaluate(self, expression, target):
        value, end = self.term(expression, 0) if expression else (None, 0)
        if end != len(expression):
            if self.every:
                raise Unreadable(f"line {expression[0][2]}: cannot read the expression")
            value = None
        if not self.every and (value is None or value[0] not in ("step",)):
            # Beside the arithmetic, a value is the variable that holds it.
            return ("name", target) if target else None
        return value

    def term(self, expression, at):
        """A call, a name or a number; the value and where it ends."""
        kind, text, line = expression[at]
        if kind == "num":
            return ("num", number(text)), at + 1
        if text == "-" and at + 1 < len(expression) and expression[at + 1][0] == "num":
            return ("num", -number(expression[at + 1][1])), at + 2
        if kind != "name":
            return None, at
        if at + 1 < len(expression) and expression[at + 1][1] == "(":
            args, at = [], at + 2
            while expression[at][1] != ")":
                start = at
                value, at = self.term(expression, at)
                if expression[at][1] not in (",", ")"):
                    # An argument this reader does not evaluate.
                    depth = 0
                    while depth or expression[at][1] not in (",", ")"):
                        depth += {"(": 1, ")": -1}.get(expression[at][1], 0)
                        at += 1
                    value = None
                written = "".join(t for _, t, _ in expression[start:at]).replace(",", ", ")
                args.append((value, written))
                if expression[at][1] == ",":
                    at += 1
            return self.call(text, args, line), at + 1
        if text in self.values:
            return self.values[text], at + 1
        if text in self.constants:
            return ("num", self.constants[text]), at + 1
        return ("name", text), at + 1

    def step(self, expression, line, written):
        self.found.append((expression, line, written))
        return ("step", len(self.found) - 1)

    def call(self, function, args, line):
        values = [v for v, _ in args]
        written = f"{function}({', '.join(t for _, t in args)})"
        intrinsic = re.fullmatch(r"_mm(?:256|512)?_(\w+)", function)
        operation = intrinsic.group(1) if intrinsic else None
        arithmetic = re.fullmatch(
            r"(maskz?_)?(mul|add|sub|fmadd|fnmadd|fmsub|fnmsub)(_round)?_pd", operation or ""
        )
        if arithmetic:
            mask, op, embedded = arithmetic.groups()
            if mask == "maskz_":
                if args[0][1] != "all_lanes":
                    raise Unreadable(f"line {line}: {written} leaves lanes out")
                values = values[1:]
            elif mask == "mask_":
                if args[0][1] != args[2][1]:
                    raise Unreadable(f"line {line}: {written} keeps other values in other lanes")
                values = values[2:]
            mode = self.rounding(args[-1][1]) if embedded else "rn"
            if embedded:
                values = values[:-1]
            a, b = values[0], values[1]
            form = {
                "mul": lambda: ("bin", "*", a, b),
                "add": lambda: ("bin", "+", a, b),
                "sub": lambda: ("bin", "-", a, b),
                "fmadd": lambda: ("bin", "+", values[2], ("bin", "*", a, b)),
                "fnmadd": lambda: ("bin", "-", values[2], ("bin", "*", a, b)),
                "fmsub": lambda: ("bin", "-", ("bin", "*", a, b), values[2]),
                "fnmsub": lambda: ("bin", "-", ("neg", ("bin", "*", a, b)), values[2]),
            }[op]()
            return self.step(("round", mode, form), line, written)
        if operation in ("set1_pd", "set1_epi64", "set1_epi64x"):
            return values[0]
        if operation in ("castpd_si256", "castpd_si512"):
            return ("call", "bits", [values[0]])
        if operation in ("add_epi64", "sub_epi64"):
            return ("bin", "+" if operation == "add_epi64" else "-", values[0], values[1])
        if operation == "srli_epi64":
            return ("bin", ">>", values[0], values[1])
        if not self.every:
            return None
        if operation == "maskz_rsqrt14_pd":
            if args[0][1] != "all_lanes":
                raise Unreadable(f"line {line}: {written} leaves lanes out")
            return self.step(("call", "rsqrt14", [values[1]]), line, written)
        if operation in ("castsi256_pd", "castsi512_pd"):
            return self.step(("call", "from_bits", [values[0]]), line, written)
        if operation == "blendv_pd":
            # The second operand where the sign bit of the third is set.
            condition = ("bin", "<", values[2], ("num", Fraction(0)))
            return self.step(("cond", condition, values[1], values[0]), line, written)
        raise Unreadable(f"line {line}: {function} is not read here")


def named(e, steps):
    """A code step's expression with each earlier step named as the statement
    names the step in its place."""
    if e is None:
        return ("name", "?")
    if e[0] == "step":
        index = e[1]
        return ("name", steps[index].name if index < len(steps) else f"step{index + 1}")
    if e[0] in ("num", "name"):
        return e
    if e[0] == "call":
        return ("call", e[1], [named(a, steps) for a in e[2]])
    if e[0] == "round":
        return ("round", e[1], named(e[2], steps))
    return (e[0],) + tuple(named(p, steps) if isinstance(p, tuple) else p for p in e[1:])


def check_code(header, text, steps, blocks):
    code = Code(header, text)
    for function, every in blocks.items():
        stated = [s for s in steps if s.function == function]
        try:
            computed, loops = code.steps(function, every)
        except IndexError:
            fail(f"{header}: {function}(): cannot read its code")
            continue
        except Unreadable as error:
            fail(f"{header}: {function}(): {error}")
            continue
        everything_before = steps[: steps.index(stated[0])] if stated else []
        context = everything_before + stated
        # Code steps are numbered within the function: shift them to the
        # statement's numbering, and name them as the statement does.
        computed = [
            (named(shift(e, len(everything_before)), context), line, written)
            for e, line, written in computed
        ]
        # The statement names the code's constants; the code has their values.
        constants = {name: ("num", value) for name, value in code.constants.items()}
        first = next(
            (
                i
                for i, (c, s) in enumerate(zip(computed, stated))
                if c[0] != substitute(s.expression, constants)
            ),
            min(len(computed), len(stated)),
        )
        difference = ""
        if first < len(stated) and first < len(computed):
            expression, line, written = computed[first]
            difference = (
                f"step {stated[first].name} of {function}() differs: {header}:{line} computes"
                f" {written}, that is {show(expression)}; the statement ({header}:"
                f"{stated[first].line}) has {stated[first]}"
            )
        elif first < len(stated):
            difference = f"the first step not computed is {stated[first]}"
        elif first < len(computed):
            line, written = computed[first][1:]
            difference = f"the first step not stated is at line {line}: {written}"
        if len(computed) != len(stated):
            loops = "".join(f", in which the loop at line {l} runs {n} times" for l, n in loops)
            fail(
                f"{function}() in {header} computes {len(computed)} steps{loops}; its"
                f" statement has {len(stated)}: {difference}"
            )
        elif difference:
            fail(difference)
    return code


def shift(e, offset):
    if e is None or e[0] in ("num", "name"):
        return e
    if e[0] == "step":
        return ("step", e[1] + offset)
    if e[0] == "call":
        return ("call", e[1], [shift(a, offset) for a in e[2]])
    if e[0] == "round":
        return ("round", e[1], shift(e[2], offset))
    return (e[0],) + tuple(shift(p, offset) if isinstance(p, tuple) else p for p in e[1:])


# --- The scripts -------------------------------------------------------------

GAPPA_MODES = {"ne": "rn", "dn": "rd", "up": "ru", "zr": "rz"}
# A positive normal double's neighbours, as the scripts write them, RU(s (1 +
# 2^-54)) and RD(s (1 - 2^-54)): adding 1 to its bits gives the next one up,
# subtracting 1 the one below.
NEXT_DOUBLE = {("ru", "+"), ("rd", "-")}


class Script:
    def __init__(self, path):
        self.path = path
        self.text = path.read_text()
        self.lines = self.text.splitlines()
        code = re.sub(r"#[^\n]*", "", self.text)
        self.head, _, rest = code.partition("{")
        self.goal = rest.partition("}")[0]
        self.roundings = {}
        for name, mode in re.findall(r"@(\w+) = float<ieee_64, *(\w+)>;", self.text):
            self.roundings[name] = GAPPA_MODES.get(mode, mode)
        self.definitions = {}  # name: (expression, line)
        for number_, line in enumerate(self.lines, 1):
            line = line.split("#")[0].strip()
            if "{" in line:
                break  # the goal, then hints
            match = re.fullmatch(r"(\w+) (?:(\w+)= (.+)|= (.+));", line)
            if not match:
                continue
            name, mode, rounded, plain = match.groups()
            try:
                expression = parse(rounded if mode else plain)
            except Unreadable as error:
                fail(f"{path}:{number_}: cannot read {line!r}: {error}")
                continue
            if mode:
                expression = ("round", mode, expression)
            if expression[0] == "round":
                if expression[1] not in self.roundings:
                    fail(f"{path}:{number_}: the rounding {expression[1]} is not defined")
                    continue
                expression = ("round", self.roundings[expression[1]], expression[2])
            self.definitions[name] = (expression, number_)

    def directive(self, word):
        return [l[len(word) + 2 :].strip() for l in self.lines if l.startswith(f"#{word} ")]

    def stated(self, name, scaled):
        """How the script states a step: its expression, with exact
        intermediate names spelt out, and whether it is stated as a bound
        alone (the rounding of a free variable); None if it does not."""
        if name not in self.definitions:
            return None
        expression, line = self.definitions[name]
        if expression[0] != "round":
            return expression, line, False
        operand = expression[2]
        if operand[0] == "name":
            if operand[1] not in self.definitions:
                return expression, line, True
            inner = self.definitions[operand[1]][0]
            if inner[0] != "round":
                operand = inner
        operand = substitute(operand, scaled)
        mode = expression[1]
        # s (1 + 2^-54) rounded up, or s (1 - 2^-54) rounded down.
        if (
            operand[0] == "bin" and operand[1] == "*" and operand[3][0] == "bin"
            and operand[3][2] == ("num", Fraction(1))
            and operand[3][3] == ("num", Fraction(2) ** -54)
            and (mode, operand[3][1]) in NEXT_DOUBLE
        ):
            bits = ("bin", operand[3][1], ("call", "bits", [operand[2]]), ("num", Fraction(1)))
            return ("call", "from_bits", [bits]), line, False
        return ("round", mode, operand), line, False


def step_range(declaration, steps, path):
    """The steps a "#steps" line names: "a to b, c"."""
    names = [s.name for s in steps]
    chosen = []
    for item in declaration.split(","):
        ends = [e.strip() for e in item.split(" to ")]
        if any(e not in names for e in ends) or len(ends) > 2:
            fail(f"{path}: its #steps line names no step {item.strip()!r} of the statement")
            return []
        first, last = names.index(ends[0]), names.index(ends[-1])
        chosen += steps[first : last + 1]
    return chosen


def check_scripts(statements, code_of):
    stated_by = {}  # step name, kernel: [(script, expression, line)]
    scripts = sorted(Path("proofs").glob("*.g"))
    for path in scripts:
        script = Script(path)
        declarations = script.directive("steps")
        if len(declarations) != 1 or ":" not in declarations[0]:
            fail(f"{path}: no \"#steps HEADER: STEPS\" line names the steps it states")
            continue
        header, _, names = declarations[0].partition(":")
        header = header.strip()
        kernel = next((k for k in KERNELS if HEADER.format(k) == header), None)
        if kernel is None:
            fail(f"{path}: its #steps line names no kernel's header: {header}")
            continue
        steps = statements[kernel]
        scaled = scaled_constants(script, code_of[kernel])
        computed_one = None  # the first step stated from its operands
        for step in step_range(names, steps, path):
            if step.function == "refined_root" and step.name == "y":
                check_estimate_script(script, step, code_of[kernel])
                continue
            found = script.stated(step.name, scaled)
            if found is None:
                fail(
                    f"{path} does not state step {step} ({header}:{step.line}), which its"
                    " #steps line names"
                )
                continue
            expression, line, bound_only = found
            if bound_only and computed_one:
                fail(
                    f"{path}:{line} states step {step.name} as {show(expression)}, a rounding of a"
                    f" free variable, after stating {computed_one} from its operands: only the"
                    f" steps its proof starts from are given by bounds; the statement"
                    f" ({header}:{step.line}) has {step}"
                )
                continue
            if bound_only:
                if step.expression[0] != "round" or step.expression[1] != expression[1]:
                    fail(
                        f"step {step.name} differs: {path}:{line} states it as"
                        f" {show(expression)}, a {expression[1]} rounding, but the statement"
                        f" ({header}:{step.line}) has {step}"
                    )
                continue
            computed_one = computed_one or step.name
            stated_by.setdefault((kernel, step.name), []).append((path, expression, line))
    # Each script that states a step otherwise, with those that state it as
    # the statement does.
    for (kernel, name), states in stated_by.items():
        step = next(s for s in statements[kernel] if s.name == name)
        header = HEADER.format(kernel)
        agreeing = [f"{p}:{l}" for p, e, l in states if e == step.expression]
        for path, expression, line in states:
            if expression != step.expression:
                fail(
                    f"step {name} differs: {path}:{line} states {name} = {show(expression)},"
                    f" but the statement ({header}:{step.line}) has {step}"
                    + (f", as {', '.join(agreeing)} states it" if agreeing else "")
                )


def scaled_constants(script, code):
    """The "#scaled NAME = C * 2^k" and "NAME = C / 2^k" lines: a constant of
    the step scaled with x = 4^k x', x' in [1, 4), over the refined range.
    Their hypotheses must cover every k of that range."""
    k_low, k_high = (exponent(v) // 2 for v in refined_range(code))
    values = {}
    for line in script.directive("scaled"):
        match = re.fullmatch(r"(\w+) = (\S+) ([*/]) 2\^k", line)
        if not match:
            fail(f"{script.path}: cannot read \"#scaled {line}\" (NAME = CONSTANT * 2^k, or / 2^k)")
            continue
        name, constant, op = match.groups()
        value = number(constant)
        ends = sorted(exponent(value) + (k if op == "*" else -k) for k in (k_low, k_high))
        wanted = f"{name} in [1b{ends[0]}, 1b{ends[1]}]"
        if wanted not in re.sub(r"\s+", " ", script.goal):
            fail(
                f"{script.path}: {name}, {constant} {op} 2^k for k from {k_low} to {k_high} (the"
                f" refined range), needs the hypothesis {wanted}"
            )
        values[name] = ("num", value)
    return values


def refined_range(code):
    return (
        bits_value(code.constants.get("smallest_refined", 0)),
        bits_value(code.constants.get("largest_refined", 0)),
    )


def largest_name(value):
    if value == Fraction(float.fromhex("0x1.fffffffffffffp1023")):
        return "DBL_MAX"
    return show_number(value)


def exponent(value):
    """The e of 2^e <= value < 2^(e + 1)."""
    e = value.numerator.bit_length() - value.denominator.bit_length()
    return e if Fraction(2) ** e <= value else e - 1


def bits_value(bits):
    bits = int(bits)
    exponent, fraction = bits >> 52, bits & (2**52 - 1)
    return (1 + Fraction(fraction, 2**52)) * Fraction(2) ** (exponent - 1023)


def check_estimate_script(script, step, code):
    """The AVX2 estimate, stated from its bit operations: K less bits(x)
    shifted right by one, which drops the lowest bit b: K - (bx - b) / 2."""
    wanted = parse("from_bits(estimate_base - (bits(x) >> 1))")
    if step.expression != wanted:
        fail(f"step y is {step}; {script.path} states it as {show(wanted)}")
    constant = script.definitions.get("K")
    if not constant or constant[0] != ("num", code.constants.get("estimate_base")):
        fail(
            f"{script.path}: K is {show(constant[0]) if constant else 'missing'}, estimate_base"
            f" in {code.header} is {show_number(code.constants.get('estimate_base', 0))}"
        )
    shifts = [(n, e) for n, (e, _) in script.definitions.items() if n.startswith("by")]
    for name, expression in shifts:
        ok = (
            expression[:3] == ("bin", "-", ("name", "K"))
            and expression[3][:2] == ("bin", "/")
            and expression[3][3] == ("num", Fraction(2))
            and expression[3][2][:2] == ("bin", "-")
            and expression[3][2][2][1].startswith("bx")
            and expression[3][2][3][0] == "name"
        )
        if not ok:
            fail(
                f"{script.path}: {name} = {show(expression)} is not K - (bits(x) >> 1),"
                " K - (bx - b) / 2"
            )
            continue
        # bx = E 2^52 + 2 Mh + b: b is the lowest bit of bits(x).
        bits_name, low_bit = expression[3][2][2][1], expression[3][2][3]
        bits = script.definitions.get(bits_name, (None,))[0]
        if not (
            bits and bits[:2] == ("bin", "+") and bits[3] == low_bit
            and bits[2][:2] == ("bin", "+") and bits[2][2][0] == "num"
            and bits[2][2][1] % 2**52 == 0 and bits[2][3][:3] == ("bin", "*", ("num", 2))
        ):
            fail(
                f"{script.path}: {bits_name} is not E 2^52 + 2 Mh + {show(low_bit)}, whose lowest"
                f" bit {name} drops"
            )
    if not shifts:
        fail(f"{script.path}: states no bits of y (by = K - (bx - b) / 2)")


# --- Ranges and the estimate's bound ---------------------------------------


def check_ranges(code_of):
    """Scripts over the whole refined range state it as the kernel does, and
    those over [1, 4) state that."""
    for path in sorted(Path("proofs").glob("*.g")):
        script = Script(path)
        declaration = (script.directive("steps") or [""])[0]
        kernel = next((k for k in KERNELS if declaration.startswith(HEADER.format(k))), None)
        goal = re.sub(r"\s+", " ", script.goal)
        match = re.search(r"\bx in \[([^,]+), ([^\]]+)\]", goal)
        if kernel is None or not match:
            continue
        low, high = number(match.group(1)), number(match.group(2))
        smallest, largest = refined_range(code_of[kernel])
        if low == 1:
            # The binade pair [1, 4), and sqrt(x) in [1, 2).
            wanted = (Fraction(1), Fraction(float.fromhex("0x1.fffffffffffffp1")))
            wanted_root = "X in [1, 0x1.fffffffffffff8p0]"
        else:
            wanted = (smallest, largest)
            wanted_root = f"X in [1b{exponent(smallest) // 2}, 1b{exponent(largest) // 2 + 1}]"
        if (low, high) != wanted:
            fail(
                f"{path}: x in [{match.group(1)}, {match.group(2)}], but the refined range of"
                f" {HEADER.format(kernel)} is [{show_number(smallest)}, {largest_name(largest)}]"
                + (" and the binade pair of the scaled scripts [1, 4)" if low == 1 else "")
            )
        elif wanted_root not in goal:
            fail(f"{path}: x in [{match.group(1)}, {match.group(2)}] needs {wanted_root}")


def check_estimate_bound(statements):
    """One bound on the estimate: the statement's, which the scripts assume,
    and, for AVX-512F, the estimate test checks and the docs give."""
    docs = Path(DOCS).read_text()
    for kernel in KERNELS:
        header = HEADER.format(kernel)
        estimate = next((s for s in statements[kernel] if s.name == "y"), None)
        note = (estimate.note or "") if estimate else ""
        bound = re.fullmatch(r"relative error below (\S+)", note)
        if not bound:
            fail(f"{header}: the statement's step y gives no \"(relative error below BOUND)\"")
            continue
        value = number(bound.group(1))
        stated_by = f"but {header}:{estimate.line} states {bound.group(1)}"
        for path in sorted(Path("proofs").glob(f"{kernel}_*.g")):
            for found in re.findall(r"\|d0\| <= (\S+)", Script(path).goal):
                if number(found) != value:
                    fail(f"{path} assumes the estimate within {found}, {stated_by}")
        start = docs.find(DOCS_SECTION[kernel])
        section = docs[start : docs.find("\n## ", start + 1)]
        stated = re.findall(r"β = ([0-9.^-]+)", section)
        if start < 0 or len(stated) != 1:
            fail(f"{DOCS}: the section \"{DOCS_SECTION[kernel]}\" has no one \"β = BOUND\"")
        elif number(stated[0]) != value:
            fail(f"{DOCS} has the {kernel} estimate's bound β = {stated[0]}, {stated_by}")
        if kernel == "avx512f":
            test = Path(ESTIMATE_TEST).read_text()
            checked = re.findall(r"constexpr double bound = (0x1p-\d+);", test)
            names = re.findall(r"ErrsByLessThanTwoToMinus(\d+)\)", test)
            if len(checked) != 1 or number(checked[0]) != value:
                fail(f"{ESTIMATE_TEST} checks the bound {', '.join(checked) or 'nothing'}, {stated_by}")
            if len(names) != 1 or Fraction(2) ** -int(names[0]) != value:
                fail(f"{ESTIMATE_TEST}: its test's name gives 2^-{names}, {stated_by}")


def main():
    statements, code_of = {}, {}
    for kernel in KERNELS:
        header = HEADER.format(kernel)
        text = Path(header).read_text()
        statements[kernel], blocks = read_statement(header, text.splitlines())
        if not statements[kernel]:
            fail(f"{header}: no statement of its steps (\"// Steps of refined_root():\")")
        code_of[kernel] = check_code(header, text, statements[kernel], blocks)
    check_scripts(statements, code_of)
    check_ranges(code_of)
    check_estimate_bound(statements)
    return min(len(failures), 100)


if __name__ == "__main__":
    sys.exit(main())
