object BaseDm: TBaseDm
  OldCreateOrder = False
  Left = 192
  Top = 125
  Height = 150
  Width = 215
end
