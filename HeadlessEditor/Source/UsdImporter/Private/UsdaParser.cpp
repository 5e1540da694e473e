// The usda text format: a tokenizer, a prim tree with its properties, and the walk that turns
// meshes and materials into the importer's description.
#include "UsdSceneReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace UE::HeadlessEditor::Usd
{
	namespace
	{
		// Nesting deeper than this is refused rather than recursed into.
		constexpr int MaxNesting = 256;

		enum class ETok { End, Ident, Number, String, Asset, Path, Punct };

		struct FToken
		{
			ETok Kind = ETok::End;
			std::string Text;
			int Line = 0;
		};

		class FTokenizer
		{
		public:
			explicit FTokenizer(const std::string& InText) : Text(InText) {}

			bool Next(FToken& Out, std::string& Error)
			{
				SkipSpace();
				Out = FToken();
				Out.Line = Line;
				if (Pos >= Text.size())
				{
					return true;
				}
				const char C = Text[Pos];
				if (C == '"' || C == '\'')
				{
					return ReadString(Out, Error);
				}
				if (C == '@')
				{
					return ReadAsset(Out, Error);
				}
				if (C == '<')
				{
					const size_t Close = Text.find('>', Pos + 1);
					if (Close == std::string::npos)
					{
						Error = "unterminated path";
						return false;
					}
					Out.Kind = ETok::Path;
					Out.Text = Text.substr(Pos + 1, Close - Pos - 1);
					Pos = Close + 1;
					return true;
				}
				if (std::isdigit(static_cast<unsigned char>(C)) || ((C == '-' || C == '+' || C == '.') && Pos + 1 < Text.size() &&
					(std::isdigit(static_cast<unsigned char>(Text[Pos + 1])) || Text[Pos + 1] == '.' || Text[Pos + 1] == 'i' || Text[Pos + 1] == 'n')))
				{
					const size_t Start = Pos++;
					while (Pos < Text.size() && (std::isalnum(static_cast<unsigned char>(Text[Pos])) || Text[Pos] == '.' ||
						((Text[Pos] == '-' || Text[Pos] == '+') && (Text[Pos - 1] == 'e' || Text[Pos - 1] == 'E'))))
					{
						++Pos;
					}
					Out.Kind = ETok::Number;
					Out.Text = Text.substr(Start, Pos - Start);
					return true;
				}
				if (std::isalpha(static_cast<unsigned char>(C)) || C == '_')
				{
					const size_t Start = Pos;
					while (Pos < Text.size() && (std::isalnum(static_cast<unsigned char>(Text[Pos])) || Text[Pos] == '_' || Text[Pos] == ':' || Text[Pos] == '.'))
					{
						++Pos;
					}
					Out.Kind = ETok::Ident;
					Out.Text = Text.substr(Start, Pos - Start);
					return true;
				}
				Out.Kind = ETok::Punct;
				Out.Text = std::string(1, C);
				++Pos;
				return true;
			}

		private:
			void SkipSpace()
			{
				while (Pos < Text.size())
				{
					const char C = Text[Pos];
					if (C == '\n') { ++Line; ++Pos; }
					else if (C == ' ' || C == '\t' || C == '\r') { ++Pos; }
					else if (C == '#') { while (Pos < Text.size() && Text[Pos] != '\n') { ++Pos; } }
					else { break; }
				}
			}

			bool ReadString(FToken& Out, std::string& Error)
			{
				const char Quote = Text[Pos];
				const bool bTriple = Text.compare(Pos, 3, std::string(3, Quote)) == 0;
				Pos += bTriple ? 3 : 1;
				Out.Kind = ETok::String;
				while (Pos < Text.size())
				{
					const char C = Text[Pos];
					if (bTriple ? Text.compare(Pos, 3, std::string(3, Quote)) == 0 : C == Quote)
					{
						Pos += bTriple ? 3 : 1;
						return true;
					}
					if (C == '\n')
					{
						if (!bTriple) { break; }
						++Line;
					}
					if (C == '\\' && Pos + 1 < Text.size())
					{
						const char E = Text[++Pos];
						Out.Text += E == 'n' ? '\n' : E == 't' ? '\t' : E;
						++Pos;
						continue;
					}
					Out.Text += C;
					++Pos;
				}
				Error = "unterminated string";
				return false;
			}

			bool ReadAsset(FToken& Out, std::string& Error)
			{
				const bool bTriple = Text.compare(Pos, 3, "@@@") == 0;
				Pos += bTriple ? 3 : 1;
				const size_t Close = Text.find(bTriple ? "@@@" : "@", Pos);
				if (Close == std::string::npos)
				{
					Error = "unterminated asset path";
					return false;
				}
				Out.Kind = ETok::Asset;
				Out.Text = Text.substr(Pos, Close - Pos);
				for (char Ch : Out.Text) { Line += Ch == '\n'; }
				Pos = Close + (bTriple ? 3 : 1);
				return true;
			}

			const std::string& Text;
			size_t Pos = 0;
			int Line = 1;
		};

		struct FValue
		{
			enum EKind { None, Number, String, Asset, Path, Ident, Tuple, List, Dict } Kind = None;
			double Num = 0;
			std::string Text;
			std::vector<FValue> Items;
		};

		struct FProperty
		{
			std::string TypeName;     // "point3f[]", "rel", ...
			bool bHasValue = false;
			FValue Value;
			std::map<std::string, FValue> Metadata;
		};

		struct FPrim
		{
			std::string TypeName;
			std::string Name;
			std::string Path;
			std::string Specifier;    // "def", "over" or "class"
			std::map<std::string, FProperty> Properties;
			std::vector<std::unique_ptr<FPrim>> Children;
		};

		class FParser
		{
		public:
			FParser(const std::string& Text, std::set<std::string>& InUnread) : Tokens(Text), Unread(InUnread) {}

			bool Parse(FPrim& Root, std::string& OutError)
			{
				if (!Advance())
				{
					return Fail(OutError);
				}
				// Layer metadata.
				if (IsPunct("("))
				{
					std::map<std::string, FValue> Meta;
					if (!ParseMetadata(Meta, 0)) { return Fail(OutError); }
					for (const char* Key : { "subLayers" })
					{
						if (Meta.count(Key)) { Unread.insert(std::string("layer ") + Key); }
					}
				}
				Root.Path = "";
				while (Current.Kind != ETok::End)
				{
					if (!ParseStatement(Root, 0)) { return Fail(OutError); }
				}
				return true;
			}

		private:
			bool Fail(std::string& OutError)
			{
				OutError = "line " + std::to_string(Current.Line) + ": " + (Error.empty() ? "unexpected '" + Current.Text + "'" : Error);
				return false;
			}

			bool Advance() { return Tokens.Next(Current, Error); }
			bool IsPunct(const char* P) const { return Current.Kind == ETok::Punct && Current.Text == P; }
			bool IsIdent(const char* I) const { return Current.Kind == ETok::Ident && Current.Text == I; }
			bool Expect(const char* P)
			{
				if (!IsPunct(P))
				{
					Error = std::string("expected '") + P + "', found '" + Current.Text + "'";
					return false;
				}
				return Advance();
			}

			bool ParseStatement(FPrim& Parent, int Depth)
			{
				if (Depth > MaxNesting)
				{
					Error = "prims nested too deeply";
					return false;
				}
				if (IsIdent("def") || IsIdent("over") || IsIdent("class"))
				{
					return ParsePrim(Parent, Depth);
				}
				if (IsIdent("variantSet"))
				{
					Unread.insert("variants");
					if (!Advance()) { return false; }
					while (!IsPunct("{") && Current.Kind != ETok::End) { if (!Advance()) { return false; } }
					return SkipBalanced();
				}
				return ParseProperty(Parent, Depth);
			}

			bool ParsePrim(FPrim& Parent, int Depth)
			{
				auto Prim = std::make_unique<FPrim>();
				Prim->Specifier = Current.Text;
				if (!Advance()) { return false; }
				if (Current.Kind == ETok::Ident)
				{
					Prim->TypeName = Current.Text;
					if (!Advance()) { return false; }
				}
				if (Current.Kind != ETok::String)
				{
					Error = "expected the prim's name";
					return false;
				}
				Prim->Name = Current.Text;
				Prim->Path = Parent.Path + "/" + Prim->Name;
				if (!Advance()) { return false; }
				if (IsPunct("("))
				{
					std::map<std::string, FValue> Meta;
					if (!ParseMetadata(Meta, Depth)) { return false; }
					for (const char* Key : { "references", "payload", "inherits", "specializes" })
					{
						if (Meta.count(Key)) { Unread.insert(Key); }
					}
					if (Meta.count("variants") || Meta.count("variantSets")) { Unread.insert("variants"); }
				}
				if (!Expect("{")) { return false; }
				while (!IsPunct("}"))
				{
					if (Current.Kind == ETok::End)
					{
						Error = "unterminated prim " + Prim->Path;
						return false;
					}
					if (!ParseStatement(*Prim, Depth + 1)) { return false; }
				}
				if (!Advance()) { return false; }
				Parent.Children.push_back(std::move(Prim));
				return true;
			}

			bool ParseProperty(FPrim& Prim, int Depth)
			{
				static const std::set<std::string> Qualifiers = { "custom", "uniform", "varying", "config", "prepend", "append", "delete", "add", "reorder" };
				while (Current.Kind == ETok::Ident && Qualifiers.count(Current.Text))
				{
					if (!Advance()) { return false; }
				}
				if (Current.Kind != ETok::Ident)
				{
					Error = "expected a property, found '" + Current.Text + "'";
					return false;
				}
				std::string TypeName = Current.Text;
				if (!Advance()) { return false; }
				if (IsPunct("["))
				{
					if (!Advance() || !Expect("]")) { return false; }
					TypeName += "[]";
				}
				std::string Name;
				if (Current.Kind == ETok::Ident)
				{
					Name = Current.Text;
					if (!Advance()) { return false; }
				}
				else
				{
					Name = TypeName; // "reorder nameChildren = [...]"
				}
				FProperty Property;
				Property.TypeName = TypeName;
				if (IsPunct("="))
				{
					if (!Advance() || !ParseValue(Property.Value, Depth)) { return false; }
					Property.bHasValue = true;
				}
				if (IsPunct("("))
				{
					if (!ParseMetadata(Property.Metadata, Depth)) { return false; }
				}
				const size_t Dot = Name.rfind('.');
				if (Dot != std::string::npos && Name.compare(Dot, std::string::npos, ".timeSamples") == 0)
				{
					Unread.insert("time samples (" + Name.substr(0, Dot) + ")");
					return true;
				}
				if (Dot != std::string::npos && Name.compare(Dot, std::string::npos, ".spline") == 0)
				{
					Unread.insert("splines (" + Name.substr(0, Dot) + ")");
					return true;
				}
				Prim.Properties[Name] = std::move(Property);
				return true;
			}

			bool ParseValue(FValue& Out, int Depth)
			{
				if (Depth > MaxNesting)
				{
					Error = "values nested too deeply";
					return false;
				}
				switch (Current.Kind)
				{
				case ETok::Number:
				{
					Out.Kind = FValue::Number;
					const std::string& T = Current.Text;
					Out.Num = T == "inf" || T == "+inf" ? INFINITY : T == "-inf" ? -INFINITY : std::strtod(T.c_str(), nullptr);
					return Advance();
				}
				case ETok::String: Out.Kind = FValue::String; Out.Text = Current.Text; return Advance();
				case ETok::Asset:
					Out.Kind = FValue::Asset;
					Out.Text = Current.Text;
					if (!Advance()) { return false; }
					// "@layer.usda@</Prim>" in references and payloads.
					return Current.Kind == ETok::Path ? Advance() : true;
				case ETok::Path: Out.Kind = FValue::Path; Out.Text = Current.Text; return Advance();
				case ETok::Ident:
					Out.Kind = FValue::Ident;
					Out.Text = Current.Text;
					if (Out.Text == "inf" || Out.Text == "nan")
					{
						Out.Kind = FValue::Number;
						Out.Num = Out.Text == "inf" ? INFINITY : NAN;
					}
					return Advance();
				case ETok::Punct:
					if (IsPunct("(") || IsPunct("["))
					{
						const char* Close = IsPunct("(") ? ")" : "]";
						Out.Kind = IsPunct("(") ? FValue::Tuple : FValue::List;
						if (!Advance()) { return false; }
						while (!IsPunct(Close))
						{
							FValue Item;
							if (!ParseValue(Item, Depth + 1)) { return false; }
							Out.Items.push_back(std::move(Item));
							if (IsPunct(",")) { if (!Advance()) { return false; } }
							else if (!IsPunct(Close))
							{
								Error = std::string("expected ',' or '") + Close + "'";
								return false;
							}
						}
						return Advance();
					}
					if (IsPunct("{"))
					{
						Out.Kind = FValue::Dict;
						return SkipBalanced();
					}
					break;
				default:
					break;
				}
				Error = "expected a value, found '" + Current.Text + "'";
				return false;
			}

			// "( key = value  prepend key = value  "doc" ... )": keys with their values.
			bool ParseMetadata(std::map<std::string, FValue>& Out, int Depth)
			{
				if (!Expect("(")) { return false; }
				while (!IsPunct(")"))
				{
					if (Current.Kind == ETok::End)
					{
						Error = "unterminated metadata";
						return false;
					}
					if (Current.Kind == ETok::String)
					{
						if (!Advance()) { return false; }
						continue;
					}
					while (IsIdent("prepend") || IsIdent("append") || IsIdent("add") || IsIdent("delete") || IsIdent("reorder"))
					{
						if (!Advance()) { return false; }
					}
					if (Current.Kind != ETok::Ident)
					{
						Error = "expected a metadata key, found '" + Current.Text + "'";
						return false;
					}
					std::string Key = Current.Text;
					if (!Advance()) { return false; }
					// "dictionary customData = {...}" has a type before the key.
					if (Current.Kind == ETok::Ident)
					{
						Key = Current.Text;
						if (!Advance()) { return false; }
					}
					FValue Value;
					if (IsPunct("="))
					{
						if (!Advance() || !ParseValue(Value, Depth + 1)) { return false; }
					}
					Out[Key] = std::move(Value);
					if (IsPunct(";") || IsPunct(",")) { if (!Advance()) { return false; } }
				}
				return Advance();
			}

			// At "{": skips to after its matching "}".
			bool SkipBalanced()
			{
				int Open = 0;
				do
				{
					if (IsPunct("{")) { ++Open; }
					else if (IsPunct("}")) { --Open; }
					else if (Current.Kind == ETok::End)
					{
						Error = "unterminated block";
						return false;
					}
					if (Open > MaxNesting)
					{
						Error = "blocks nested too deeply";
						return false;
					}
					if (!Advance()) { return false; }
				} while (Open > 0);
				return true;
			}

			FTokenizer Tokens;
			FToken Current;
			std::string Error;
			std::set<std::string>& Unread;
		};

		// Row-vector 4x4 matrices, as USD writes them: a point p maps to p * M.
		struct FMatrix
		{
			double M[4][4] = { { 1, 0, 0, 0 }, { 0, 1, 0, 0 }, { 0, 0, 1, 0 }, { 0, 0, 0, 1 } };

			FMatrix operator*(const FMatrix& B) const
			{
				FMatrix R;
				for (int I = 0; I < 4; ++I)
					for (int J = 0; J < 4; ++J)
					{
						R.M[I][J] = 0;
						for (int K = 0; K < 4; ++K) { R.M[I][J] += M[I][K] * B.M[K][J]; }
					}
				return R;
			}
			void Point(const double In[3], float Out[3]) const
			{
				for (int J = 0; J < 3; ++J) { Out[J] = float(In[0] * M[0][J] + In[1] * M[1][J] + In[2] * M[2][J] + M[3][J]); }
			}
			// Normals by the inverse transpose; for the rotations and positive scales met here the
			// cofactor matrix gives the same direction without a division.
			void Normal(const double In[3], float Out[3]) const
			{
				double C[3][3];
				for (int I = 0; I < 3; ++I)
					for (int J = 0; J < 3; ++J)
					{
						const int I1 = (I + 1) % 3, I2 = (I + 2) % 3, J1 = (J + 1) % 3, J2 = (J + 2) % 3;
						C[I][J] = M[I1][J1] * M[I2][J2] - M[I1][J2] * M[I2][J1];
					}
				const double Sign = M[0][0] * C[0][0] + M[0][1] * C[0][1] + M[0][2] * C[0][2] < 0 ? -1.0 : 1.0;
				double N[3];
				for (int J = 0; J < 3; ++J) { N[J] = Sign * (In[0] * C[0][J] + In[1] * C[1][J] + In[2] * C[2][J]); }
				const double Len = std::sqrt(N[0] * N[0] + N[1] * N[1] + N[2] * N[2]);
				for (int J = 0; J < 3; ++J) { Out[J] = float(Len > 0 ? N[J] / Len : In[J]); }
			}
		};

		bool NumbersOf(const FValue& V, double* Out, size_t Count)
		{
			if (V.Kind != FValue::Tuple || V.Items.size() != Count) { return false; }
			for (size_t I = 0; I < Count; ++I)
			{
				if (V.Items[I].Kind != FValue::Number) { return false; }
				Out[I] = V.Items[I].Num;
			}
			return true;
		}

		FMatrix Rotation(int Axis, double Degrees)
		{
			const double R = Degrees * M_PI / 180.0, C = std::cos(R), S = std::sin(R);
			FMatrix Out;
			const int A = (Axis + 1) % 3, B = (Axis + 2) % 3;
			Out.M[A][A] = C; Out.M[A][B] = S; Out.M[B][A] = -S; Out.M[B][B] = C;
			return Out;
		}

		const FProperty* FindProperty(const FPrim& Prim, const std::string& Name)
		{
			auto It = Prim.Properties.find(Name);
			return It != Prim.Properties.end() && It->second.bHasValue ? &It->second : nullptr;
		}

		FMatrix LocalTransform(const FPrim& Prim, std::set<std::string>& Unread)
		{
			FMatrix Local;
			const FProperty* Order = FindProperty(Prim, "xformOpOrder");
			if (!Order || Order->Value.Kind != FValue::List)
			{
				return Local;
			}
			// The first op in the order is the outermost: p * M(last) * ... * M(first).
			for (const FValue& OpName : Order->Value.Items)
			{
				const std::string Name = OpName.Text;
				FMatrix Op;
				if (Name == "!resetXformStack!" || Name.rfind("!invert!", 0) == 0)
				{
					Unread.insert("transform op " + Name);
					continue;
				}
				const FProperty* OpProperty = FindProperty(Prim, Name);
				if (!OpProperty)
				{
					continue;
				}
				const std::string Kind = Name.substr(8, Name.find(':', 8) - 8); // after "xformOp:"
				double V[16];
				if (Kind == "translate" && NumbersOf(OpProperty->Value, V, 3))
				{
					Op.M[3][0] = V[0]; Op.M[3][1] = V[1]; Op.M[3][2] = V[2];
				}
				else if (Kind == "scale" && NumbersOf(OpProperty->Value, V, 3))
				{
					Op.M[0][0] = V[0]; Op.M[1][1] = V[1]; Op.M[2][2] = V[2];
				}
				else if ((Kind == "rotateX" || Kind == "rotateY" || Kind == "rotateZ") && OpProperty->Value.Kind == FValue::Number)
				{
					Op = Rotation(Kind.back() - 'X', OpProperty->Value.Num);
				}
				else if (Kind == "rotateXYZ" && NumbersOf(OpProperty->Value, V, 3))
				{
					Op = Rotation(0, V[0]) * Rotation(1, V[1]) * Rotation(2, V[2]);
				}
				else if (Kind == "orient" && NumbersOf(OpProperty->Value, V, 4))
				{
					const double W = V[0], X = V[1], Y = V[2], Z = V[3];
					const double R[3][3] = { { 1 - 2 * (Y * Y + Z * Z), 2 * (X * Y + W * Z), 2 * (X * Z - W * Y) },
						{ 2 * (X * Y - W * Z), 1 - 2 * (X * X + Z * Z), 2 * (Y * Z + W * X) },
						{ 2 * (X * Z + W * Y), 2 * (Y * Z - W * X), 1 - 2 * (X * X + Y * Y) } };
					for (int I = 0; I < 3; ++I) for (int J = 0; J < 3; ++J) { Op.M[I][J] = R[I][J]; }
				}
				else if (Kind == "transform" && OpProperty->Value.Kind == FValue::Tuple && OpProperty->Value.Items.size() == 4)
				{
					for (int Row = 0; Row < 4; ++Row)
					{
						if (!NumbersOf(OpProperty->Value.Items[Row], Op.M[Row], 4)) { Op = FMatrix(); Unread.insert("transform op " + Name); break; }
					}
				}
				else
				{
					Unread.insert("transform op " + Name);
					continue;
				}
				Local = Op * Local;
			}
			return Local;
		}

		std::string BindingOf(const FPrim& Prim)
		{
			for (const char* Name : { "material:binding", "material:binding:full", "material:binding:preview" })
			{
				const FProperty* Binding = FindProperty(Prim, Name);
				if (Binding && Binding->Value.Kind == FValue::Path) { return Binding->Value.Text; }
				if (Binding && Binding->Value.Kind == FValue::List && !Binding->Value.Items.empty()) { return Binding->Value.Items.front().Text; }
			}
			return {};
		}

		std::string NameOfPath(const std::string& Path)
		{
			const size_t Slash = Path.find_last_of('/');
			return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
		}

		bool ReadInts(const FProperty* Property, std::vector<int64_t>& Out)
		{
			Out.clear();
			if (!Property || Property->Value.Kind != FValue::List) { return false; }
			Out.reserve(Property->Value.Items.size());
			for (const FValue& Item : Property->Value.Items)
			{
				// Whole numbers an int holds; anything else (2.5, 1e300, inf, nan) is not an index.
				if (Item.Kind != FValue::Number || !(std::fabs(Item.Num) <= 2147483647.0) || Item.Num != std::floor(Item.Num)) { return false; }
				Out.push_back(int64_t(Item.Num));
			}
			return true;
		}

		bool ReadTuples(const FProperty* Property, size_t Width, std::vector<double>& Out)
		{
			Out.clear();
			if (!Property || Property->Value.Kind != FValue::List) { return false; }
			Out.resize(Property->Value.Items.size() * Width);
			for (size_t I = 0; I < Property->Value.Items.size(); ++I)
			{
				if (!NumbersOf(Property->Value.Items[I], &Out[I * Width], Width)) { return false; }
			}
			return true;
		}

		std::string Interpolation(const FProperty& Property, const char* Default)
		{
			auto It = Property.Metadata.find("interpolation");
			return It != Property.Metadata.end() && It->second.Kind == FValue::String ? It->second.Text : Default;
		}

		// A primvar or normal read per face corner: its values and, per corner, which value.
		struct FCornerValues
		{
			std::vector<double> Values;
			size_t Width = 0;
			std::vector<int64_t> PerCorner; // empty: none
		};

		bool ResolveCorners(const FPrim& Mesh, const std::string& Name, size_t Width, const std::vector<int64_t>& CornerPoints,
			size_t NumFaces, const std::vector<int64_t>& Counts, FCornerValues& Out, std::vector<std::string>& Warnings)
		{
			const FProperty* Property = FindProperty(Mesh, Name);
			if (!Property)
			{
				return false;
			}
			if (!ReadTuples(Property, Width, Out.Values))
			{
				Warnings.push_back(Mesh.Path + "." + Name + ": values not understood");
				return false;
			}
			Out.Width = Width;
			const size_t NumValues = Out.Values.size() / Width;
			std::vector<int64_t> Indices;
			const bool bIndexed = ReadInts(FindProperty(Mesh, Name + ":indices"), Indices);
			auto ValueOf = [&](int64_t Element) -> int64_t {
				const int64_t V = bIndexed ? (Element >= 0 && size_t(Element) < Indices.size() ? Indices[size_t(Element)] : -1) : Element;
				return V >= 0 && size_t(V) < NumValues ? V : -1;
			};
			const std::string Mode = Interpolation(*Property, "vertex");
			Out.PerCorner.resize(CornerPoints.size());
			size_t Corner = 0;
			for (size_t Face = 0; Face < NumFaces; ++Face)
			{
				for (int64_t K = 0; K < Counts[Face]; ++K, ++Corner)
				{
					int64_t Element = 0;
					if (Mode == "faceVarying") { Element = int64_t(Corner); }
					else if (Mode == "vertex" || Mode == "varying") { Element = CornerPoints[Corner]; }
					else if (Mode == "uniform") { Element = int64_t(Face); }
					else if (Mode == "constant") { Element = 0; }
					else
					{
						Warnings.push_back(Mesh.Path + "." + Name + ": interpolation '" + Mode + "' not read");
						return false;
					}
					Out.PerCorner[Corner] = ValueOf(Element);
					if (Out.PerCorner[Corner] < 0)
					{
						Warnings.push_back(Mesh.Path + "." + Name + ": index out of range");
						return false;
					}
				}
			}
			return true;
		}

		class FStageBuilder
		{
		public:
			FStageBuilder(FTextLayerDescription& InOut, std::set<std::string>& InUnread) : Out(InOut), Unread(InUnread) {}

			void Walk(const FPrim& Prim, const FMatrix& ParentWorld, const std::string& InheritedBinding)
			{
				if (Prim.Specifier != "def")
				{
					Unread.insert(Prim.Specifier + " prims");
					return;
				}
				const FMatrix World = LocalTransform(Prim, Unread) * ParentWorld;
				const std::string Own = BindingOf(Prim);
				const std::string Binding = Own.empty() ? InheritedBinding : Own;
				if (Prim.TypeName == "Material")
				{
					FMaterialDescription Material;
					Material.PrimPath = Prim.Path;
					Material.Name = Prim.Name;
					CollectTextures(Prim, Material.TextureAssets);
					Out.Materials.push_back(std::move(Material));
				}
				else if (Prim.TypeName == "Mesh")
				{
					AddMesh(Prim, World, Binding);
				}
				else if (!Prim.TypeName.empty() && Prim.TypeName != "Xform" && Prim.TypeName != "Scope" && Prim.TypeName != "Shader" &&
					Prim.TypeName != "GeomSubset" && Prim.TypeName != "NodeGraph")
				{
					Unread.insert("prims of type " + Prim.TypeName);
				}
				for (const auto& Child : Prim.Children)
				{
					Walk(*Child, World, Binding);
				}
			}

			void Finish()
			{
				FImportedMeshBuffers& Mesh = Out.StaticMesh.Mesh;
				for (uint32_t Slot = 0; Slot < IndicesBySlot.size(); ++Slot)
				{
					if (IndicesBySlot[Slot].empty()) { continue; }
					Mesh.Sections.push_back({ Slot, uint32_t(Mesh.Indices.size()), uint32_t(IndicesBySlot[Slot].size() / 3) });
					Mesh.Indices.insert(Mesh.Indices.end(), IndicesBySlot[Slot].begin(), IndicesBySlot[Slot].end());
				}
			}

		private:
			void CollectTextures(const FPrim& Prim, std::vector<std::string>& Out)
			{
				for (const auto& [Name, Property] : Prim.Properties)
				{
					if (Property.bHasValue && Property.Value.Kind == FValue::Asset && Name == "inputs:file" && !Property.Value.Text.empty())
					{
						if (std::find(Out.begin(), Out.end(), Property.Value.Text) == Out.end()) { Out.push_back(Property.Value.Text); }
					}
				}
				for (const auto& Child : Prim.Children) { CollectTextures(*Child, Out); }
			}

			uint32_t SlotFor(const std::string& MaterialPath)
			{
				FStaticMeshDescription& Mesh = Out.StaticMesh;
				for (uint32_t I = 0; I < Mesh.SlotMaterialPaths.size(); ++I)
				{
					if (Mesh.SlotMaterialPaths[I] == MaterialPath) { return I; }
				}
				Mesh.SlotMaterialPaths.push_back(MaterialPath);
				Mesh.SlotNames.push_back(NameOfPath(MaterialPath));
				IndicesBySlot.emplace_back();
				return uint32_t(Mesh.SlotMaterialPaths.size() - 1);
			}

			void AddMesh(const FPrim& Prim, const FMatrix& World, const std::string& Binding)
			{
				std::vector<std::string>& Warnings = Out.Warnings;
				std::vector<double> Points;
				std::vector<int64_t> Counts, CornerPoints;
				if (!ReadTuples(FindProperty(Prim, "points"), 3, Points) || !ReadInts(FindProperty(Prim, "faceVertexCounts"), Counts) ||
					!ReadInts(FindProperty(Prim, "faceVertexIndices"), CornerPoints))
				{
					Warnings.push_back(Prim.Path + ": mesh without readable points, faceVertexCounts and faceVertexIndices, skipped");
					return;
				}
				const size_t NumPoints = Points.size() / 3;
				size_t Total = 0;
				for (int64_t Count : Counts)
				{
					if (Count < 0) { Total = SIZE_MAX; break; }
					Total += size_t(Count);
				}
				if (Total != CornerPoints.size())
				{
					Warnings.push_back(Prim.Path + ": faceVertexCounts do not match faceVertexIndices, skipped");
					return;
				}
				for (int64_t P : CornerPoints)
				{
					if (P < 0 || size_t(P) >= NumPoints)
					{
						Warnings.push_back(Prim.Path + ": faceVertexIndices out of range, skipped");
						return;
					}
				}
				const FProperty* Orientation = FindProperty(Prim, "orientation");
				const bool bLeftHanded = Orientation && Orientation->Value.Text == "leftHanded";

				FCornerValues Normals, UVs;
				const bool bNormals = ResolveCorners(Prim, "normals", 3, CornerPoints, Counts.size(), Counts, Normals, Warnings) ||
					ResolveCorners(Prim, "primvars:normals", 3, CornerPoints, Counts.size(), Counts, Normals, Warnings);
				bool bUVs = false;
				for (const auto& [Name, Property] : Prim.Properties)
				{
					const bool bTexCoord = Property.TypeName.rfind("texCoord2", 0) == 0 ||
						(Property.TypeName == "float2[]" && (Name == "primvars:st" || Name == "primvars:UVMap"));
					if (Name.rfind("primvars:", 0) == 0 && bTexCoord && Property.TypeName.back() == ']' &&
						ResolveCorners(Prim, Name, 2, CornerPoints, Counts.size(), Counts, UVs, Warnings))
					{
						bUVs = true;
						break;
					}
				}

				// Faces bound through GeomSubsets override the mesh's binding.
				std::vector<std::string> FaceBinding(Counts.size(), Binding);
				for (const auto& Child : Prim.Children)
				{
					if (Child->TypeName != "GeomSubset") { continue; }
					const std::string SubsetBinding = BindingOf(*Child);
					std::vector<int64_t> Faces;
					if (SubsetBinding.empty() || !ReadInts(FindProperty(*Child, "indices"), Faces)) { continue; }
					for (int64_t Face : Faces)
					{
						if (Face >= 0 && size_t(Face) < FaceBinding.size()) { FaceBinding[size_t(Face)] = SubsetBinding; }
					}
				}

				FImportedMeshBuffers& Mesh = Out.StaticMesh.Mesh;
				if (bUVs && Mesh.UVs.empty())
				{
					Mesh.UVs.emplace_back(size_t(Mesh.NumVertices()) * 2, 0.0f); // earlier meshes had none
				}
				Out.StaticMesh.MeshPrimPaths.push_back(Prim.Path);
				size_t Corner = 0;
				for (size_t Face = 0; Face < Counts.size(); ++Face)
				{
					const size_t N = size_t(Counts[Face]);
					const uint32_t First = Mesh.NumVertices();
					for (size_t K = 0; K < N; ++K)
					{
						const size_t C = Corner + K;
						float P[3], Nrm[3] = { 0, 0, 1 };
						World.Point(&Points[size_t(CornerPoints[C]) * 3], P);
						Mesh.Positions.insert(Mesh.Positions.end(), P, P + 3);
						if (bNormals)
						{
							double In[3];
							std::memcpy(In, &Normals.Values[size_t(Normals.PerCorner[C]) * 3], sizeof(In));
							if (bLeftHanded) { for (double& V : In) { V = -V; } }
							World.Normal(In, Nrm);
						}
						Mesh.Normals.insert(Mesh.Normals.end(), Nrm, Nrm + 3);
						if (!Mesh.UVs.empty())
						{
							const double* UV = bUVs ? &UVs.Values[size_t(UVs.PerCorner[C]) * 2] : nullptr;
							Mesh.UVs[0].push_back(UV ? float(UV[0]) : 0.0f);
							Mesh.UVs[0].push_back(UV ? float(UV[1]) : 0.0f);
						}
					}
					if (N >= 3)
					{
						std::vector<uint32_t>& Target = IndicesBySlot[SlotFor(FaceBinding[Face])];
						for (size_t K = 1; K + 1 < N; ++K)
						{
							// USD's default winding is counter-clockwise seen from the front.
							if (bLeftHanded) { Target.insert(Target.end(), { First, First + uint32_t(K + 1), First + uint32_t(K) }); }
							else { Target.insert(Target.end(), { First, First + uint32_t(K), First + uint32_t(K + 1) }); }
						}
					}
					Corner += N;
				}
			}

			FTextLayerDescription& Out;
			std::set<std::string>& Unread;
			std::vector<std::vector<uint32_t>> IndicesBySlot;
		};
	}

	bool ParseTextLayer(const std::string& Text, FTextLayerDescription& Out, std::string& OutError)
	{
		Out = FTextLayerDescription();
		if (DetectLayerFormat(reinterpret_cast<const uint8_t*>(Text.data()), Text.size()) != ELayerFormat::Text)
		{
			OutError = "no #usda header";
			return false;
		}
		std::set<std::string> Unread;
		FPrim Root;
		FParser Parser(Text, Unread);
		if (!Parser.Parse(Root, OutError))
		{
			return false;
		}
		FStageBuilder Builder(Out, Unread);
		for (const auto& Prim : Root.Children)
		{
			Builder.Walk(*Prim, FMatrix(), std::string());
		}
		Builder.Finish();
		for (const std::string& What : Unread)
		{
			Out.Warnings.push_back("not read: " + What);
		}
		return true;
	}
}
