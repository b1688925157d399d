object Form1: TForm1
  Left = 543
  Caption = 'VOKA Lumivox '
  Font.Name = 'MS Sans Serif'
  Font.Height = -11
  BorderIcons = [biSystemMenu]
  Hint = 'it''s'#13#10'two lines' +
    ' continued'
  object reRore1: TreRore
    BaudRate = 19200
    OnClick = btnDownloadClick
    Mask = $FF00
  end
  object Label1: TLabel
    Items = (
      'a'
      1
      (nested))
  end
end
